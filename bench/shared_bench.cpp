// The store shared by several desks beside the embedded one: the query of many documents into the
// list, and the import of a big workbook into an empty store, on SQLite and on a PostgreSQL server
// (a throwaway local cluster with its usual flushes to disk, reached over TCP on 127.0.0.1).
//
// Usage: shared_bench query [DOCUMENTS]     default 100000 documents
//        shared_bench import WORKBOOK       the import benchmark's 100,000-row workbook
// Prints one line per measurement and engine.

#include "BenchStore.h"
#include "app/Clock.h"
#include "app/Settings.h"
#include "cli/CliPrompter.h"
#include "doubles/NoStopKey.h"
#include "doubles/RecordingPrompter.h"
#include "invoices/InvoiceQuery.h"
#include "invoices/WorkbookImport.h"
#include "pgcluster/PgCluster.h"
#include "session/AppSession.h"
#include "store/LocalStore.h"
#include "ui/InvoiceListModel.h"
#include "ui/TMainFrm.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

using namespace corvina;

namespace {

struct Engine {
    const char* name;
    QString location; // SysData.mdb of the folder, or a database on the cluster
};

int count(LocalStore& store, const char* table)
{
    return store.select({QStringLiteral("select count(*) as n from %1").arg(QLatin1String(table)), {}, {}})
        .value(0, QStringLiteral("n"))
        .toInt();
}

void writeSettings(const QString& folder, const Engine& engine)
{
    QFile ini(folder + QStringLiteral("sysconfig.ini"));
    if (ini.open(QIODevice::WriteOnly) && engine.location.contains(QStringLiteral("://")))
        ini.write((QStringLiteral("[store]\r\nurl=") + engine.location + QStringLiteral("\r\n")).toUtf8());
}

int query(const Engine& engine, const QString& folder, int documents)
{
    RecordingPrompter prompter;
    FakeClock clock(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    QElapsedTimer timer;
    {
        LocalStore store(engine.location, prompter);
        if (!store.open()) {
            std::fprintf(stderr, "%s\n", qPrintable(prompter.texts().join(QLatin1Char('\n'))));
            return 1;
        }
        timer.start();
        bench::seedDocuments(store, documents, QStringLiteral("2024-03-05 14:07"));
        std::printf("%-10s seeding %d documents: %lld ms\n", engine.name, documents, timer.elapsed());
    }
    {
        LocalStore store(engine.location, prompter);
        store.open();
        timer.start();
        std::vector<InvoiceRow> rows =
            runInvoiceQuery(store, QStringLiteral("0"), clock.now().addSecs(-60), clock.now());
        const qint64 selectMs = timer.elapsed();
        const size_t listed = rows.size();
        InvoiceListModel model;
        timer.start();
        model.replaceRows(std::move(rows));
        std::printf("%-10s query alone: %zu rows selected and made %lld ms, list model reset %lld ms\n", engine.name,
                    listed, selectMs, timer.elapsed());
    }
    writeSettings(folder, engine);
    AppSession session({folder, {}}, prompter, clock);
    TMainFrm frm(session, std::make_unique<NoStopKey>());
    frm.show();
    QApplication::processEvents();
    timer.start();
    frm.BitBtn1Click();
    QApplication::processEvents();
    std::printf("%-10s query filling the window's list with %d rows: %lld ms\n", engine.name,
                frm.invoiceList().rowCount(), timer.elapsed());
    return frm.invoiceList().rowCount() == documents ? 0 : 1;
}

int import(const Engine& engine, const QString& folder, const QString& workbook)
{
    writeSettings(folder, engine);
    AppSettings settings = AppSettings::load(folder);
    CliPrompter prompter(false);
    SystemClock clock;
    LocalStore store(settings.storeLocation(), prompter);
    if (!store.open())
        return 1;
    WorkbookImport import(settings, prompter, clock, store);
    QElapsedTimer timer;
    timer.start();
    import.ImportWorkbook(workbook, QStringLiteral("sheet1"), settings.logPath());
    const qint64 ms = timer.elapsed();
    std::printf("%-10s import of %s into an empty store: %lld ms; %d documents, %d lines stored\n", engine.name,
                qPrintable(QFileInfo(workbook).fileName()), ms, count(store, "invoiceMaster"),
                count(store, "invoiceDetail"));
    return import.lastRunFailed() ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool isQuery = args.size() >= 2 && args[1] == QLatin1String("query");
    const bool isImport = args.size() == 3 && args[1] == QLatin1String("import");
    if (!isQuery && !isImport) {
        std::fprintf(stderr, "usage: shared_bench query [DOCUMENTS] | import WORKBOOK\n");
        return 2;
    }
    test::PgCluster cluster;
    QString reason;
    if (!cluster.start(&reason, true)) {
        std::fprintf(stderr, "no PostgreSQL cluster: %s\n", qPrintable(reason));
        return 1;
    }
    int status = 0;
    for (const char* name : {"SQLite", "PostgreSQL"}) {
        QTemporaryDir dir;
        const QString folder = dir.path() + QLatin1Char('/');
        const bool server = QLatin1String(name) == QLatin1String("PostgreSQL");
        const QString database = server ? cluster.createDatabase() : QString();
        const Engine engine{name, server ? cluster.url(database) : folder + QStringLiteral("SysData.mdb")};
        status |= isQuery ? query(engine, folder, args.size() > 2 ? args[2].toInt() : 100000)
                          : import(engine, folder, args[2]);
    }
    cluster.stop();
    return status;
}
