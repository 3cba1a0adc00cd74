#include "support/IssuingRig.h"

#include "app/Failure.h"
#include "doubles/RecordingPrompter.h"
#include "invoicing/InvoicingWindows.h"
#include "store/LocalStore.h"
#include "store/Rows.h"
#include "store/Statements.h"

#include <QAtomicInt>
#include <QDir>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <gtest/gtest.h>

namespace corvina::test {

namespace {

QAtomicInt connections;

template <typename F> auto withDatabase(const QString& path, F&& f)
{
    const QString name = QStringLiteral("test-sqlite-%1").arg(connections.fetchAndAddRelaxed(1));
    auto result = [&] {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        db.open();
        auto r = f(db);
        db.close();
        return r;
    }();
    QSqlDatabase::removeDatabase(name);
    return result;
}

} // namespace

QList<QStringList> sqliteRows(const QString& path, const QString& select)
{
    return withDatabase(path, [&](QSqlDatabase& db) {
        QList<QStringList> rows;
        QSqlQuery q(db);
        if (!q.exec(select))
            return rows;
        while (q.next()) {
            QStringList row;
            for (int c = 0; c < q.record().count(); ++c)
                row << q.value(c).toString();
            rows << row;
        }
        return rows;
    });
}

bool sqliteExec(const QString& path, const QString& statement, QString* error)
{
    return withDatabase(path, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        const bool ok = q.exec(statement);
        if (!ok && error)
            *error = q.lastError().text();
        return ok;
    });
}

IssuingRig::IssuingRig(const QStringList& initOptions)
{
    const ProcessResult init = runProgram(QStringLiteral("invoicing-standin"),
                                          QStringList{QStringLiteral("--init"), invoicingFolder()} + initOptions);
    if (init.status != 0)
        m_error = QStringLiteral("invoicing-standin --init failed: ") + init.err;
    writeSettings(m_where.isServer() ? QStringLiteral("[store]\r\nurl=%1\r\n").arg(m_where.location()) : QString());
}

void IssuingRig::writeSettings(const QString& storeSection)
{
    // The shipped settings with only the kaippath line changed and the store section added: the rig
    // reads what a new installation reads.
    static const QByteArray bom("\xEF\xBB\xBF");
    static const QRegularExpression line(QStringLiteral("^kaippath=[^\r\n]*"), QRegularExpression::MultilineOption);
    const QByteArray shipped = fileBytes(QStringLiteral(CORVINA_SOURCE_DIR "/resources/sysconfig.ini"));
    QString text = QString::fromUtf8(shipped.mid(bom.size()));
    if (!shipped.startsWith(bom) || text.count(line) != 1)
        m_error += QStringLiteral("resources/sysconfig.ini is not UTF-8 with one kaippath= line");
    // kaippath as the clerk's settings hold it: backslashes, turned into a native path by the tool.
    const QString kaippath = QString(invoicingFolder()).replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QRegularExpressionMatch found = line.match(text);
    if (found.hasMatch()) // replaced by position: the path's backslashes are not back references
        text.replace(found.capturedStart(), found.capturedLength(), QStringLiteral("kaippath=") + kaippath);
    m_app.write(QStringLiteral("sysconfig.ini"), bom + (text + storeSection).toUtf8());
}

void IssuingRig::shareStore(const QString& location, const QString& station)
{
    m_shared = location;
    writeSettings(QStringLiteral("[store]\r\nurl=%1\r\nstation=%2\r\n").arg(location, station));
}

QList<QStringList> IssuingRig::storeRows(const QString& select, const QVariantList& values) const
{
    RecordingPrompter prompter;
    LocalStore store(storeLocation(), prompter);
    QList<QStringList> rows;
    if (!store.open())
        return rows;
    try {
        const Rows result = store.select({select, values, {}});
        for (int r = 0; r < result.count(); ++r) {
            QStringList row;
            for (int c = 0; c < result.columns().size(); ++c)
                row << result.at(r, c);
            rows << row;
        }
    } catch (const Failure&) {
    }
    return rows;
}

bool IssuingRig::storeExec(const QString& statement, QString* error) const
{
    RecordingPrompter prompter;
    LocalStore store(storeLocation(), prompter);
    if (!store.open()) {
        if (error)
            *error = prompter.texts().join(QLatin1Char('\n'));
        return false;
    }
    try {
        store.run({statement, {}, {}});
        return true;
    } catch (const Failure& f) {
        if (error)
            *error = f.message();
        return false;
    }
}

void IssuingRig::addDocuments(const QStringList& orderIds)
{
    RecordingPrompter prompter;
    LocalStore store(storeLocation(), prompter);
    store.open();
    store.beginTransaction();
    int n = 0;
    for (const QString& id : orderIds) {
        ++n;
        const QString customer = QStringLiteral("客户%1 Trading Co.").arg(n);
        store.run({Statements::insertHeaderText(),
                   {},
                   {{QStringLiteral(":FCustOrderId"), id},
                    {QStringLiteral(":FCustName"), customer},
                    {QStringLiteral(":FCustPo"), QStringLiteral("HT-%1").arg(n)},
                    {QStringLiteral(":FCustOutportNo"), QStringLiteral("CK%1").arg(n)},
                    {QStringLiteral(":FCustAcc"), QStringLiteral("KJ-%1").arg(n)},
                    {QStringLiteral(":FCustSinature"), QStringLiteral("王小明")},
                    {QStringLiteral(":FCustContractNo"), QStringLiteral("FH%1").arg(n)},
                    {QStringLiteral(":FCustCX"), QString::number(n)},
                    {QStringLiteral(":FCustVF"), QStringLiteral("HX%1").arg(n)},
                    {QStringLiteral(":FMM1"), QStringLiteral("第%1批货物").arg(n)},
                    {QStringLiteral(":FMM2"), QString()},
                    {QStringLiteral(":FMM3"), QString()},
                    {QStringLiteral(":FMM4"), QString()},
                    {QStringLiteral(":FMM5"), QString()},
                    {QStringLiteral(":FInDate"), QStringLiteral("2024-03-01 09:00")},
                    {QStringLiteral(":FOK"), QStringLiteral("0")},
                    {QStringLiteral(":FNoTaxSum"), QStringLiteral("%1.50").arg(100 * n)}}});
        store.run({Statements::insertLineText(),
                   {},
                   {{QStringLiteral(":FCustOrderId"), id},
                    {QStringLiteral(":FNo"), 1},
                    {QStringLiteral(":FItem"), QStringLiteral("全棉针织T恤 M码")},
                    {QStringLiteral(":FCount"), QStringLiteral("10")},
                    {QStringLiteral(":FPrice"), QStringLiteral("%1.05").arg(10 * n)},
                    {QStringLiteral(":FSum"), QStringLiteral("%1.50").arg(100 * n)}}});
    }
    store.commit();
}

StoredState IssuingRig::stored(const QString& orderId) const
{
    const auto rows = storeRows(
        QStringLiteral("select FOK, FInvCode, FInvNumber from invoiceMaster where FCustOrderId = ?"), {orderId});
    if (rows.size() != 1)
        return {QStringLiteral("<%1 rows>").arg(rows.size()), {}, {}};
    return {rows[0][0], rows[0][1], rows[0][2]};
}

QList<QStringList> IssuingRig::issued() const
{
    return sqliteRows(issuingDatabase(), QStringLiteral("select FPDM, FPHM, FKRMC from issued order by id"));
}

bool IssuingRig::intake(const QStringList& options) const
{
    return runProgram(QStringLiteral("invoicing-standin"),
                      QStringList{QStringLiteral("--intake"), invoicingFolder()} + options, 30000)
               .status == 0;
}

bool IssuingRig::advance() const
{
    // The stand-in moving its book on is the test's own doing, not the program's under test: a
    // start of it that dies silently (as processes under wine now and then do) is tried again,
    // and one that keeps failing fails the test with what it said.
    ProcessResult r;
    for (int attempt = 0; attempt < 3; ++attempt) {
        r = runProgram(QStringLiteral("invoicing-standin"), {QStringLiteral("--advance"), invoicingFolder()}, 30000);
        if (r.status == 0)
            return true;
        if (!r.out.isEmpty() || !r.err.isEmpty())
            break;
    }
    ADD_FAILURE() << "the stand-in did not move its book on (" << r.status << "): " << r.err.toStdString();
    return false;
}

QString IssuingRig::enabledBook() const
{
    const auto rows =
        sqliteRows(issuingDatabase(), QStringLiteral("select FPDM, DQKYH from FPB_TZ where ZTID=3 order by ID"));
    return rows.isEmpty() ? QString() : rows[0].join(QLatin1Char(' '));
}

bool IssuingRig::changeIssuingDatabase(const QString& statement) const
{
    return sqliteExec(issuingDatabase(), statement);
}

QStringList IssuingRig::journal() const
{
    QStringList lines;
    const auto rows = storeRows(QStringLiteral("select FCustOrderId, FInvCode, FInvNumber, FOutcome, FClosedAt, "
                                               "FSettledState from issueJournal order by FAttemptId"));
    for (const QStringList& r : rows) {
        QString line =
            QStringList{r[0], r[1], r[2], r[3], r[4].isEmpty() ? QStringLiteral("open") : QStringLiteral("closed")}
                .join(QLatin1Char(' '));
        if (!r[5].isEmpty())
            line += QStringLiteral(" settled ") + r[5];
        lines << line;
    }
    return lines;
}

void TimelineClock::sleep(int milliseconds)
{
    FakeClock::sleep(milliseconds);
    if (m_everySleep)
        m_everySleep();
    const qint64 now = sleptMilliseconds();
    for (auto it = m_due.begin(); it != m_due.end();) {
        if (it->first <= now) {
            auto action = std::move(it->second);
            it = m_due.erase(it);
            action();
        } else {
            ++it;
        }
    }
}

void TimelineClock::after(qint64 milliseconds, std::function<void()> action)
{
    m_due.emplace_back(sleptMilliseconds() + milliseconds, std::move(action));
}

ScriptedInvoicingProgram::ScriptedInvoicingProgram(const IssuingRig& rig, Options options)
    : m_rig(rig), m_options(options)
{
    windows.addWindow({NoWindow, "Shell_TrayWnd", "任务栏"});
    if (!options.running)
        return;
    mainWindow = windows.addWindow({NoWindow, "WindowsForms10.Window.8.app3", invoicing::MainWindowTitle});
    toolbar = windows.addWindow({mainWindow, invoicing::ToolbarClass, ""});
    windows.onPress(toolbar, [this] { openDialog(); });
}

void ScriptedInvoicingProgram::save()
{
    ++saves;
    if (beforeSave)
        beforeSave(saves);
    QStringList options;
    if (m_options.refusedSaves.contains(saves))
        options << QStringLiteral("--refuse-request") << QStringLiteral("1");
    if (m_options.holdNumber || m_options.advanceAfter >= 0)
        options << QStringLiteral("--hold-number");
    if (!m_rig.intake(options)) {
        ++refusedSaves;
    } else if (m_options.advanceAfter >= 0) {
        const IssuingRig& rig = m_rig;
        clock.after(m_options.advanceAfter, [&rig] { rig.advance(); });
    }
    if (afterSave)
        afterSave(saves);
}

void ScriptedInvoicingProgram::openDialog()
{
    ++dialogsOpened;
    if (onDialog)
        onDialog(dialogsOpened);
    const std::int64_t now = windows.now();
    const std::int64_t enabledAt = m_options.dialogEnabledAfter == FakeWindowServices::Never
                                       ? FakeWindowServices::Never
                                       : now + m_options.dialogEnabledAfter;
    const WindowHandle dialog =
        windows.addWindow({NoWindow, invoicing::IssueDialogClass, invoicing::IssueDialogTitle, now, now, enabledAt});
    for (int slot = 0; slot < invoicing::IssueButtonCount; ++slot) {
        if (slot == invoicing::CloseButton && !m_options.closeButton)
            continue;
        const WindowHandle button =
            windows.addWindow({dialog, invoicing::ButtonClass, invoicing::IssueButtonCaptions[slot]});
        if (slot == invoicing::SaveButton) {
            windows.onPress(button, [this] { save(); });
        } else if (slot == invoicing::CloseButton) {
            windows.onPress(button, [this, dialog] { windows.setDisappearAt(dialog, windows.now()); });
        }
    }
}

} // namespace corvina::test
