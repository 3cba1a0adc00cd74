// pg-cluster start|stop STATEFILE: a throwaway PostgreSQL cluster for CTest's fixture and the demo.
// "start" stops one left behind by an interrupted run first, then starts a new one and prints its
// superuser's address; "stop" stops and removes it.

#include "pgcluster/PgCluster.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

using corvina::test::PgCluster;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 || (args[1] != QLatin1String("start") && args[1] != QLatin1String("stop"))) {
        std::fprintf(stderr, "usage: pg-cluster start|stop STATEFILE\n");
        return 2;
    }
    const QString state = args[2];
    if (auto old = PgCluster::load(state)) {
        old->stop();
        QFile::remove(state);
    }
    if (args[1] == QLatin1String("stop"))
        return 0;
    PgCluster cluster;
    QString reason;
    if (!cluster.start(&reason)) {
        std::fprintf(stderr, "pg-cluster: %s\n", qPrintable(reason));
        return 1;
    }
    if (!cluster.save(state)) {
        std::fprintf(stderr, "pg-cluster: cannot write %s\n", qPrintable(state));
        cluster.stop();
        return 1;
    }
    std::printf("%s\n", qPrintable(cluster.url(QStringLiteral("postgres"))));
    return 0;
}
