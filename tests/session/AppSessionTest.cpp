#include "session/AppSession.h"
#include "app/Gbk.h"
#include "doubles/NoStopKey.h"
#include "doubles/RecordingPrompter.h"
#include "invoices/InvoiceQuery.h"
#include "store/IssueJournal.h"
#include "store/LocalStore.h"
#include "support/IssuingRig.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace corvina;
using namespace corvina::test;

namespace {

// Sets an environment variable for one scope and puts back what was there.
struct ScopedEnv {
    const char* name;
    QByteArray before;
    bool had;
    ScopedEnv(const char* n, const QString& value) : name(n), before(qgetenv(n)), had(qEnvironmentVariableIsSet(n))
    {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value.toUtf8());
    }
    ~ScopedEnv()
    {
        if (had)
            qputenv(name, before);
        else
            qunsetenv(name);
    }
};

} // namespace

// The store the command line names reaches the store and every run without passing through the
// environment; without it, CORVINA_STORE, then sysconfig.ini's [store] url, then the folder's file.
TEST(AppSession, StoreNamedOnTheCommandLineWinsAndReachesTheRuns)
{
    const QString cmd = QStringLiteral("postgresql://desk@db.example:5432/from_command_line");
    const QString env = QStringLiteral("postgresql://desk@db.example:5432/from_environment");
    const QString ini = QStringLiteral("postgresql://desk@db.example:5432/from_settings");
    struct Case {
        const char* name;
        QString commandLine, environment, settings;
        QString expected; // empty: the folder's SysData.mdb
    };
    const Case cases[] = {
        {"all three", cmd, env, ini, cmd},
        {"environment and settings", {}, env, ini, env},
        {"settings alone", {}, {}, ini, ini},
        {"none", {}, {}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        QByteArray settings = "[sys]\r\nkaippath=C:\\invoicing\r\n[store]\r\nstation=开票一号\r\n";
        if (!c.settings.isEmpty())
            settings += "url=" + c.settings.toUtf8() + "\r\n";
        folder.write(QStringLiteral("sysconfig.ini"), "\xEF\xBB\xBF" + settings);
        const ScopedEnv store("CORVINA_STORE", c.environment);
        RecordingPrompter prompter;
        FakeClock clock;

        AppSession session({folder.path(), c.commandLine}, prompter, clock);
        // Paths as the program writes them: native separators on Windows.
        const auto slashed = [](const QString& path) { return QDir::fromNativeSeparators(path); };
        const QString expected = c.expected.isEmpty() ? folder.file(QStringLiteral("SysData.mdb")) : c.expected;
        EXPECT_EQ(slashed(session.settings().storeLocation()), expected);
        const BatchRunController::RunSetup setup = session.runSetup();
        EXPECT_EQ(slashed(setup.storePath), expected);
        EXPECT_EQ(setup.station, QStringLiteral("开票一号"));
        EXPECT_EQ(slashed(setup.logPath), folder.file(QStringLiteral("InputLogFile.log")));
        EXPECT_TRUE(setup.steps);
        EXPECT_TRUE(prompter.shown().isEmpty()); // nothing is opened before the front end asks
    }
}

// A run made from the session logs each row it passes over in the folder's log, whichever front end
// drives it, and still issues the others.
TEST(AppSession, RunsLogTheRowsTheyPassOver)
{
    IssuingRig rig;
    ASSERT_TRUE(rig.ready()) << rig.error().toStdString();
    rig.addDocuments({QStringLiteral("D1"), QStringLiteral("D2")});
    ScriptedInvoicingProgram program(rig);
    RecordingPrompter prompter; // answers the start question Yes
    FakeClock clock(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    IssuingState state;
    AppSession session({rig.appFolder(), {}}, prompter, clock, [&](LocalStore& store) {
        return std::make_unique<InvoicingProgramSteps>(session.settings(), store, state, program.windows, program.clock,
                                                       prompter);
    });
    ASSERT_TRUE(session.store().open());
    PlainInvoiceList list;
    list.replaceRows(runInvoiceQuery(session.store(), QStringLiteral("0"), QDateTime(QDate(2024, 1, 1), QTime(0, 0)),
                                     QDateTime(QDate(2024, 12, 31), QTime(23, 59))));
    ASSERT_EQ(list.rowCount(), 2);
    for (int r = 0; r < list.rowCount(); ++r)
        list.setChecked(r, true);
    // Another station claims D1 after the clerk listed it.
    {
        FakeClock then(QDateTime(QDate(2024, 3, 5), QTime(14, 0)));
        IssueJournal other(session.store(), then, prompter, QStringLiteral("二号开票站"));
        ASSERT_EQ(other.claim(QStringLiteral("D1")).outcome, IssueJournal::BeginOutcome::Started);
    }

    BatchRunController run(prompter, clock, std::make_unique<NoStopKey>(), list, nullptr, session.runSetup());
    QStringList hooked;
    run.setPassedOverHook([&](const QString&, const QString& text) { hooked << text; });
    ASSERT_TRUE(awaitSignal(
        run, &BatchRunController::runEnded,
        [&] {
            run.press();
            EXPECT_TRUE(run.awaitingEnd());
        },
        60000));

    EXPECT_EQ(run.lastEnd(), BatchEnd::Normal);
    EXPECT_EQ(program.saves, 1); // D2 only
    ASSERT_EQ(hooked.size(), 1);
    EXPECT_TRUE(hooked[0].startsWith(QStringLiteral("销售单据 D1 已由开票站“二号开票站”"))) << hooked[0].toStdString();
    QFile log(session.settings().logPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QStringList lines = gbkDecode(log.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(hooked[0])) << lines[0].toStdString();
}
