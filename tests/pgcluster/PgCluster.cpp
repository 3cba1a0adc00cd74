#include "pgcluster/PgCluster.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>
#include <QVersionNumber>
#include <atomic>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace corvina::test {

namespace {

bool runningAsRoot()
{
#if defined(Q_OS_UNIX)
    return geteuid() == 0;
#else
    return false;
#endif
}

bool userExists(const QString& name)
{
    QProcess p;
    p.start(QStringLiteral("id"), {QStringLiteral("-u"), name});
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QString randomHex(int bytes)
{
    QString out;
    for (int i = 0; i < bytes; ++i)
        out += QStringLiteral("%1").arg(QRandomGenerator::global()->bounded(256), 2, 16, QLatin1Char('0'));
    return out;
}

std::atomic<int> g_connections{0};

// The settings of a throwaway server: reachable only from this machine, no socket file; for
// tests, no waiting for the disk (their data is thrown away anyway).
const char* const kServerSettings = "\n# throwaway cluster\n"
                                    "listen_addresses = '127.0.0.1'\n"
                                    "unix_socket_directories = ''\n"
                                    "shared_buffers = 32MB\n"
                                    "max_connections = 100\n";
const char* const kNoFlushes = "fsync = off\n"
                               "synchronous_commit = off\n"
                               "full_page_writes = off\n";

} // namespace

PgCluster::~PgCluster() = default;

QString PgCluster::binFolder()
{
    const QString given = qEnvironmentVariable("CORVINA_PG_BIN");
    if (!given.isEmpty())
        return given;
    QString best;
    QVersionNumber bestVersion;
    const QDir root(QStringLiteral("/usr/lib/postgresql"));
    for (const QString& version : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString bin = root.filePath(version + QStringLiteral("/bin"));
        const QVersionNumber v = QVersionNumber::fromString(version);
        if (QFile::exists(bin + QStringLiteral("/initdb")) && (best.isEmpty() || v > bestVersion)) {
            best = bin;
            bestVersion = v;
        }
    }
    return best;
}

bool PgCluster::run(const QString& program, const QStringList& args, QString* output, int timeoutMs) const
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    // The server's programs look for their files from the working folder; root's may be closed
    // to the user they run as.
    p.setWorkingDirectory(m_folder.isEmpty() ? QDir::tempPath() : m_folder);
    const QString path = m_bin + QLatin1Char('/') + program;
    if (m_runAs.isEmpty())
        p.start(path, args);
    else
        p.start(QStringLiteral("runuser"),
                QStringList{QStringLiteral("-u"), m_runAs, QStringLiteral("--"), path} + args);
    const bool finished = p.waitForFinished(timeoutMs);
    if (!finished) {
        p.kill();
        p.waitForFinished();
    }
    if (output)
        *output = QString::fromLocal8Bit(p.readAll());
    return finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool PgCluster::start(QString* reason, bool durable)
{
    m_bin = binFolder();
    if (m_bin.isEmpty()) {
        *reason = QStringLiteral("no PostgreSQL server programs (initdb, pg_ctl) under /usr/lib/postgresql: "
                                 "install Debian's postgresql package");
        return false;
    }
    if (runningAsRoot())
        m_runAs = userExists(QStringLiteral("postgres")) ? QStringLiteral("postgres") : QStringLiteral("nobody");

    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/corvina-pg-XXXXXX"));
    if (!dir.isValid()) {
        *reason = QStringLiteral("cannot make a folder for the cluster: ") + dir.errorString();
        return false;
    }
    dir.setAutoRemove(false);
    m_folder = dir.path();
    if (!m_runAs.isEmpty()) {
        QProcess chown;
        chown.start(QStringLiteral("chown"), {m_runAs, m_folder});
        if (!chown.waitForFinished(10000) || chown.exitCode() != 0) {
            *reason = QStringLiteral("cannot hand %1 to %2").arg(m_folder, m_runAs);
            stop();
            return false;
        }
    }

    m_password = randomHex(16);
    const QString pwFile = m_folder + QStringLiteral("/password");
    {
        QFile f(pwFile);
        if (!f.open(QIODevice::WriteOnly) || f.write(m_password.toLatin1() + '\n') <= 0) {
            *reason = QStringLiteral("cannot write ") + pwFile;
            stop();
            return false;
        }
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    }
    QString out;
    const QString data = m_folder + QStringLiteral("/data");
    const bool made = run(QStringLiteral("initdb"),
                          {QStringLiteral("-D"), data, QStringLiteral("-U"), m_user, QStringLiteral("--pwfile"), pwFile,
                           QStringLiteral("--auth-local=trust"), QStringLiteral("--auth-host=scram-sha-256"),
                           QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--no-locale"),
                           QStringLiteral("--no-sync"), QStringLiteral("--no-instructions")},
                          &out);
    QFile::remove(pwFile);
    if (!made) {
        *reason = QStringLiteral("initdb failed: ") + out;
        stop();
        return false;
    }
    {
        QFile conf(data + QStringLiteral("/postgresql.conf"));
        if (!conf.open(QIODevice::Append) || conf.write(kServerSettings) <= 0 ||
            (!durable && conf.write(kNoFlushes) <= 0)) {
            *reason = QStringLiteral("cannot extend ") + conf.fileName();
            stop();
            return false;
        }
    }
    // A port picked at random, tried again when another program holds it.
    const QString log = m_folder + QStringLiteral("/server.log");
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int port = 20000 + static_cast<int>(QRandomGenerator::global()->bounded(40000));
        QFile::remove(log);
        if (run(QStringLiteral("pg_ctl"),
                {QStringLiteral("-D"), data, QStringLiteral("-l"), log, QStringLiteral("-w"), QStringLiteral("-t"),
                 QStringLiteral("60"), QStringLiteral("-o"), QStringLiteral("-p %1").arg(port),
                 QStringLiteral("start")},
                &out)) {
            m_port = port;
            return true;
        }
        QFile f(log);
        const QString text = f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
        if (!text.contains(QLatin1String("could not bind")) && !text.contains(QLatin1String("already in use"))) {
            *reason = QStringLiteral("the server did not start: ") + out + text;
            stop();
            return false;
        }
    }
    *reason = QStringLiteral("no free port found for the server");
    stop();
    return false;
}

void PgCluster::stop()
{
    if (m_folder.isEmpty())
        return;
    const QString data = m_folder + QStringLiteral("/data");
    if (QFile::exists(data + QStringLiteral("/postmaster.pid")))
        run(QStringLiteral("pg_ctl"),
            {QStringLiteral("-D"), data, QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("-w"),
             QStringLiteral("-t"), QStringLiteral("30"), QStringLiteral("stop")},
            nullptr);
    QDir(m_folder).removeRecursively();
    m_folder.clear();
    m_port = 0;
}

bool PgCluster::save(const QString& stateFile) const
{
    QFile f(stateFile);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QString text = QStringLiteral("folder=%1\nbin=%2\nrunAs=%3\nuser=%4\npassword=%5\nport=%6\n")
                             .arg(m_folder, m_bin, m_runAs, m_user, m_password)
                             .arg(m_port);
    return f.write(text.toUtf8()) > 0;
}

std::unique_ptr<PgCluster> PgCluster::load(const QString& stateFile)
{
    QFile f(stateFile);
    if (!f.open(QIODevice::ReadOnly))
        return nullptr;
    auto cluster = std::make_unique<PgCluster>();
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const QString key = line.left(eq), value = line.mid(eq + 1);
        if (key == QLatin1String("folder"))
            cluster->m_folder = value;
        else if (key == QLatin1String("bin"))
            cluster->m_bin = value;
        else if (key == QLatin1String("runAs"))
            cluster->m_runAs = value;
        else if (key == QLatin1String("user"))
            cluster->m_user = value;
        else if (key == QLatin1String("password"))
            cluster->m_password = value;
        else if (key == QLatin1String("port"))
            cluster->m_port = value.toInt();
    }
    if (cluster->m_folder.isEmpty() || cluster->m_port <= 0)
        return nullptr;
    return cluster;
}

QString PgCluster::url(const QString& database, const QString& user, const QString& password) const
{
    const QString who = user.isEmpty() ? m_user : user;
    const QString secret = user.isEmpty() ? m_password : password;
    QString credentials = QString::fromUtf8(QUrl::toPercentEncoding(who));
    if (!secret.isEmpty())
        credentials += QLatin1Char(':') + QString::fromUtf8(QUrl::toPercentEncoding(secret));
    return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3").arg(credentials).arg(m_port).arg(database);
}

QSqlDatabase PgCluster::adminConnection(const QString& name, const QString& database) const
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(QStringLiteral("127.0.0.1"));
    db.setPort(m_port);
    db.setUserName(m_user);
    db.setPassword(m_password);
    db.setDatabaseName(database);
    db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    return db;
}

bool PgCluster::admin(const QString& database, const QStringList& statements, QString* reason) const
{
    const QString name = QStringLiteral("pgcluster-admin-%1").arg(++g_connections);
    bool ok = true;
    QString why;
    {
        QSqlDatabase db = adminConnection(name, database);
        if (!db.open()) {
            ok = false;
            why = db.lastError().text();
        } else {
            for (const QString& stmt : statements) {
                QSqlQuery q(db);
                if (!q.exec(stmt)) {
                    ok = false;
                    why = stmt.trimmed() + QStringLiteral(": ") + q.lastError().text();
                    break;
                }
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (reason)
        *reason = why;
    return ok;
}

QString PgCluster::value(const QString& database, const QString& select) const
{
    const QString name = QStringLiteral("pgcluster-admin-%1").arg(++g_connections);
    QString result;
    {
        QSqlDatabase db = adminConnection(name, database);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(select) && q.next())
                result = q.value(0).toString();
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

QString PgCluster::createDatabase(QString* reason) const
{
    static std::atomic<int> counter{0};
    const QString name =
        QStringLiteral("t%1_%2_%3").arg(QCoreApplication::applicationPid()).arg(++counter).arg(randomHex(3));
    if (!admin(QStringLiteral("postgres"), {QStringLiteral("create database ") + name}, reason))
        return QString();
    return name;
}

bool PgCluster::dropDatabase(const QString& name) const
{
    return admin(QStringLiteral("postgres"), {QStringLiteral("drop database if exists %1 with (force)").arg(name)});
}

} // namespace corvina::test
