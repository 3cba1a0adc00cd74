#include "app/Version.h"
#include "cli/CliPrompter.h"
#include "cli/Commands.h"
#include "cli/ImportProgressLine.h"
#include "doubles/RecordingPrompter.h"
#include "store/LocalStore.h"
#include "support/BrowserSeed.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace corvina;
using test::ProcessResult;

namespace {

const QString kBin = QStringLiteral(CORVINA_BIN_DIR);

// Runs a bash command line with the build's programs first on PATH; stdout and stderr together.
ProcessResult runShell(const QString& script, const QStringList& args = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"), kBin + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("bash"), QStringList{QStringLiteral("-c"), script, QStringLiteral("bash")} + args);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return {-1, {}, QStringLiteral("timed out")};
    }
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), {}};
}

QString progressText(int rows, int stored, int present)
{
    return QStringLiteral("已读取 %1 行，已存入 %2 张单据，已存在 %3 张").arg(rows).arg(stored).arg(present);
}

} // namespace

TEST(CliConventions, HelpListsEveryRegisteredCommandOnOneLine)
{
    const ProcessResult help = test::runProgram(QStringLiteral("corvina"), {QStringLiteral("--help")});
    ASSERT_EQ(help.status, 0);
    const QStringList lines = help.out.split(QLatin1Char('\n'));
    const QList<cli::CommandInfo> commands = cli::registeredCommands();
    ASSERT_FALSE(commands.isEmpty());
    for (const cli::CommandInfo& c : commands) {
        EXPECT_FALSE(c.summary.isEmpty() || c.summary.contains(QLatin1Char('\n'))) << c.name.toStdString();
        const QRegularExpression line(
            QStringLiteral("^  %1 +%2$")
                .arg(QRegularExpression::escape(c.name), QRegularExpression::escape(c.summary)));
        EXPECT_EQ(lines.filter(line).size(), 1) << c.name.toStdString() << " is not listed once in --help";
        // Each command's own help names it as it is typed.
        const ProcessResult own = test::runProgram(QStringLiteral("corvina"), {c.name, QStringLiteral("--help")});
        EXPECT_EQ(own.status, 0) << c.name.toStdString();
        EXPECT_TRUE(own.out.startsWith(QStringLiteral("Usage: corvina ") + c.name + QLatin1Char(' ')))
            << own.out.left(80).toStdString();
    }
    // Nothing listed that does not run.
    const qsizetype from = lines.indexOf(QStringLiteral("Commands:"));
    const qsizetype to = lines.indexOf(QString(), from);
    ASSERT_GT(from, 0);
    EXPECT_EQ(to - from - 1, commands.size());
}

TEST(CliConventions, VersionAndHelpOfBothPrograms)
{
    const QString version = QStringLiteral(CORVINA_VERSION);
    struct Case {
        const char* program;
        const char* option;
        QString expectedStart;
    } cases[] = {
        {"corvina", "--version", QStringLiteral("corvina %1\n").arg(version)},
        {"corvina", "-v", QStringLiteral("corvina %1\n").arg(version)},
        {"corvina", "-h", QStringLiteral("Usage: corvina ")},
        {"invoicing-standin", "--version", QStringLiteral("invoicing-standin %1\n").arg(version)},
        {"invoicing-standin", "--help", QStringLiteral("Usage: invoicing-standin ")},
    };
    for (const Case& c : cases) {
        const ProcessResult r = test::runProgram(QString::fromLatin1(c.program), {QString::fromLatin1(c.option)});
        EXPECT_EQ(r.status, 0) << c.program << " " << c.option;
        EXPECT_TRUE(r.out.startsWith(c.expectedStart)) << c.program << " " << c.option << ": " << r.out.toStdString();
        EXPECT_EQ(r.err, QString()) << c.program << " " << c.option;
    }
}

// The state options offer what the commands take, in the list's words: each value the help offers
// is taken and lists the documents in the state the help names; any other value is a usage error.
TEST(CliConventions, StateOptionsTakeWhatTheirHelpOffers)
{
    test::TempFolder folder;
    {
        RecordingPrompter prompter;
        LocalStore store(folder.file(QStringLiteral("SysData.mdb")), prompter);
        ASSERT_TRUE(store.open());
        test::seedDocument(store, {QStringLiteral("P1")});
        test::seedDocument(store, {QStringLiteral("I1"), QStringLiteral("100.00"), 2, QStringLiteral("1")});
    }
    const QStringList where = {QStringLiteral("--app-folder"), folder.path(), QStringLiteral("--from"),
                               QStringLiteral("2024-01-01 00:00")};
    // "<0|1>" and "0 = 未开票 (default), 1 = 已开票." read from the help itself.
    const QRegularExpression option(QStringLiteral("^  --state <([^>]*)> +(.*)$"));
    const QRegularExpression meaning(QStringLiteral("(\\S+) = (\\S+?)[ ,.(]"));
    for (const char* command : {"query", "edit"}) {
        SCOPED_TRACE(command);
        const ProcessResult help =
            test::runProgram(QStringLiteral("corvina"), {QString::fromLatin1(command), QStringLiteral("--help")});
        ASSERT_EQ(help.status, 0);
        const QStringList lines = help.out.split(QLatin1Char('\n')).filter(option);
        ASSERT_EQ(lines.size(), 1) << help.out.toStdString();
        const QRegularExpressionMatch m = option.match(lines[0]);
        const QStringList offered = m.captured(1).split(QLatin1Char('|'));
        ASSERT_EQ(offered.size(), 2);
        for (const QString& value : offered) {
            SCOPED_TRACE(value.toStdString());
            if (QLatin1String(command) == QLatin1String("query")) {
                // The help's word for the value is the state every listed document shows.
                QString word = value;
                for (auto it = meaning.globalMatch(m.captured(2)); it.hasNext();) {
                    const QRegularExpressionMatch pair = it.next();
                    if (pair.captured(1) == value)
                        word = pair.captured(2);
                }
                const ProcessResult r =
                    test::runProgram(QStringLiteral("corvina"),
                                     QStringList{QStringLiteral("query"), QStringLiteral("--state"), value} + where);
                EXPECT_EQ(r.status, 0) << r.err.toStdString();
                const QStringList rows = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1);
                ASSERT_EQ(rows.size(), 1) << r.out.toStdString();
                EXPECT_TRUE(rows[0].contains(QLatin1Char('\t') + word)) << rows[0].toStdString();
            } else {
                // The document has no attempt: code and number are given as the dialog gives them.
                const ProcessResult r =
                    test::runProgram(QStringLiteral("corvina"),
                                     {QStringLiteral("edit"), QStringLiteral("P1"), QStringLiteral("--state"), value,
                                      QStringLiteral("--code"), QStringLiteral("3100071140"),
                                      QStringLiteral("--number"), QStringLiteral("00000009"), QStringLiteral("--yes"),
                                      QStringLiteral("--app-folder"), folder.path()});
                EXPECT_EQ(r.status, 0) << r.err.toStdString();
            }
        }
        const ProcessResult wrong = test::runProgram(
            QStringLiteral("corvina"), {QString::fromLatin1(command), QStringLiteral("P1"), QStringLiteral("--state"),
                                        QStringLiteral("2"), QStringLiteral("--app-folder"), folder.path()});
        EXPECT_EQ(wrong.status, 2) << wrong.err.toStdString();
    }
}

// Linux only: the pseudo-terminal comes from script(1).
TEST(CliConventions, LinuxOnly_ImportProgressLineOnlyOnATerminal)
{
    const QString many = test::dataPath(QStringLiteral("workbooks/import/many.xlsx"));
    const QString gaps = test::dataPath(QStringLiteral("workbooks/import/gaps.xlsx"));
    struct Case {
        const char* what;
        QString workbook;
        bool underTerminal;       // run inside `script`, which gives it a pseudo-terminal
        bool stderrToFile;        // stderr sent to a file even so
        QString expectedOnScreen; // empty: no progress text anywhere
    } cases[] = {
        {"terminal", gaps, true, false, progressText(3, 2, 0) + QStringLiteral("\x1b[K\r\n")},
        // The failure box starts on a line of its own.
        {"terminal, failure", many, true, false,
         progressText(800, 400, 0) + QStringLiteral("\x1b[K\r\n[错误] 连接错误:")},
        {"terminal, stderr to a file", gaps, true, true, {}},
        {"no terminal", gaps, false, false, {}},
    };
    for (const Case& c : cases) {
        test::TempFolder dir;
        const QString command =
            QStringLiteral("corvina import --app-folder '%1' '%2'%3")
                .arg(dir.path(), c.workbook, c.stderrToFile ? QStringLiteral(" 2>'%1err'").arg(dir.path()) : QString());
        const ProcessResult r =
            runShell(c.underTerminal ? QStringLiteral("script -qec \"$1\" /dev/null") : command, {command});
        const QString err = c.stderrToFile ? QString::fromUtf8([&] {
            QFile f(dir.file(QStringLiteral("err")));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }())
                                           : QString();
        // The import itself ran: its log is printed either way.
        EXPECT_TRUE(r.out.contains(QStringLiteral("EXCEL文件处理完成"))) << c.what << ": " << r.out.toStdString();
        if (c.expectedOnScreen.isEmpty()) {
            EXPECT_FALSE(r.out.contains(progressText(0, 0, 0).left(3))) << c.what << ": " << r.out.toStdString();
            EXPECT_FALSE(r.out.contains(QLatin1Char('\r')) && !c.underTerminal) << c.what;
            EXPECT_FALSE(err.contains(progressText(0, 0, 0).left(3))) << c.what;
        } else {
            EXPECT_TRUE(r.out.contains(QLatin1Char('\r') + c.expectedOnScreen))
                << c.what << ": " << r.out.toStdString();
        }
    }
}

TEST(CliConventions, ProgressLineEndsBeforeABoxAndWhenFinished)
{
    struct Case {
        const char* what;
        bool onTerminal;
        bool box;
        QByteArray expected;
    } cases[] = {
        {"terminal", true, false, "\r" + progressText(7, 3, 1).toUtf8() + "\x1b[K\n"},
        {"terminal, box", true, true, "\r" + progressText(7, 3, 1).toUtf8() + "\x1b[K\n[错误] bad\n"},
        {"no terminal", false, false, ""},
        {"no terminal, box", false, true, "[错误] bad\n"},
    };
    for (const Case& c : cases) {
        std::FILE* file = std::tmpfile();
        ASSERT_NE(file, nullptr);
        {
            CliPrompter prompter(false, file, nullptr);
            cli::ImportProgressLine line(file, c.onTerminal);
            line.update({2, 1, 0});
            // Newer counts right after a drawing may wait for the next one; the end shows them.
            line.update({7, 3, 1});
            if (c.box) {
                prompter.setBeforePrint([&] { line.finish(); });
                prompter.showBox(BoxOwner::Application, QStringLiteral("bad"), MessageBoxKind::Error);
                prompter.setBeforePrint({});
            }
            line.finish();
            line.finish(); // a second end adds nothing
        }
        std::fflush(file);
        std::rewind(file);
        QByteArray written;
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, file)) > 0;)
            written.append(buf, qsizetype(n));
        std::fclose(file);
        // Only the end of what was written is fixed: the first counts are drawn at once.
        if (c.onTerminal) {
            EXPECT_TRUE(written.startsWith("\r" + progressText(2, 1, 0).toUtf8())) << c.what;
        }
        EXPECT_TRUE(written.endsWith(c.expected)) << c.what << ": " << written.toStdString();
        if (!c.onTerminal) {
            EXPECT_EQ(written, c.expected) << c.what;
        }
    }
}

// Linux only: bash and its completion package.
TEST(CliConventions, LinuxOnly_BashCompletionOffersCommandsOptionsAndValues)
{
    const QString completion = QStringLiteral(CORVINA_SOURCE_DIR "/packaging/linux/corvina.bash-completion");
    const QString bashCompletion = QStringLiteral("/usr/share/bash-completion/bash_completion");
    QStringList names;
    for (const cli::CommandInfo& c : cli::registeredCommands())
        names << c.name;
    test::TempFolder dir;
    dir.write(QStringLiteral("a.xlsx"), "x");
    dir.write(QStringLiteral("b.XLS"), "x");
    dir.write(QStringLiteral("c.txt"), "x");
    QDir().mkpath(dir.file(QStringLiteral("sub")));

    struct Case {
        QStringList words; // the last one is being completed
        QStringList expected;
    } cases[] = {
        {{QStringLiteral("corvina"), QString()}, names},
        {{QStringLiteral("corvina"), QStringLiteral("--app-folder"), dir.path(), QStringLiteral("qu")},
         {QStringLiteral("query")}},
        {{QStringLiteral("corvina"), QStringLiteral("--v")}, {QStringLiteral("--version")}},
        {{QStringLiteral("corvina"), QStringLiteral("export"), QStringLiteral("--o")}, {QStringLiteral("--out")}},
        {{QStringLiteral("corvina"), QStringLiteral("query"), QStringLiteral("--state"), QString()},
         {QStringLiteral("0"), QStringLiteral("1")}},
        {{QStringLiteral("corvina"), QStringLiteral("edit"), QStringLiteral("D1"), QStringLiteral("--state"),
          QString()},
         {QStringLiteral("未开票"), QStringLiteral("已开票")}},
        {{QStringLiteral("corvina"), QStringLiteral("import"), dir.path()},
         {dir.file(QStringLiteral("a.xlsx")), dir.file(QStringLiteral("b.XLS")), dir.file(QStringLiteral("sub"))}},
        {{QStringLiteral("corvina"), QStringLiteral("query"), QStringLiteral("--app-folder"),
          dir.file(QStringLiteral("s"))},
         {dir.file(QStringLiteral("sub"))}},
        {{QStringLiteral("corvina"), QStringLiteral("lines"), QString()}, {}},
        {{QStringLiteral("invoicing-standin"), QStringLiteral("--int")}, {QStringLiteral("--intake")}},
        {{QStringLiteral("invoicing-standin"), QStringLiteral("--init"), dir.file(QStringLiteral("s"))},
         {dir.file(QStringLiteral("sub"))}},
    };
    // Alone, and under the bash-completion package's own functions.
    for (const bool withPackage : {false, true}) {
        if (withPackage && !QFile::exists(bashCompletion))
            continue;
        for (const Case& c : cases) {
            QString script = withPackage ? QStringLiteral("source '%1'; ").arg(bashCompletion) : QString();
            script += QStringLiteral("source \"$1\"; shift; COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); "
                                     "f=$(complete -p \"$1\" | sed -E 's/.* -F ([^ ]+) .*/\\1/'); $f; "
                                     "printf '%s\\n' \"${COMPREPLY[@]}\"");
            const ProcessResult r = runShell(script, QStringList{completion} + c.words);
            QStringList offered = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            QStringList expected = c.expected;
            offered.sort();
            expected.sort();
            EXPECT_EQ(offered, expected) << c.words.join(QLatin1Char(' ')).toStdString()
                                         << (withPackage ? " (with bash-completion)" : "");
        }
    }
}
