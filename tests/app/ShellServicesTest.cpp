#include "app/AppendLog.h"
#include "app/Clock.h"
#include "app/CodePage.h"
#include "app/Failure.h"
#include "app/Gbk.h"
#include "app/NumberText.h"
#include "cli/CliPrompter.h"
#include "doubles/RecordingPrompter.h"
#include "support/TestSupport.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace corvina;

TEST(AppendLog, AddsOneGbkLineAndKeepsTheOldOnes)
{
    test::TempFolder dir;
    const QString log = dir.file(QStringLiteral("InputLogFile.log"));
    FakeClock clock(QDateTime(QDate(2013, 5, 7), QTime(9, 3, 2)));
    AppendLog(log, QStringLiteral("abc"), clock);
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("[2013-05-07 09:03:02] abc\r\n"));
    f.close();

    clock.advance(1000);
    AppendLog(log, QStringLiteral("1001该销售单据的数据正确，处理成功"), clock);
    AppendLog(log, QStringLiteral("EXCEL文件处理完成"), clock);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(bytes, QByteArray("[2013-05-07 09:03:02] abc\r\n") +
                         gbkEncode(QStringLiteral("[2013-05-07 09:03:03] 1001该销售单据的数据正确，处理成功\r\n"
                                                  "[2013-05-07 09:03:03] EXCEL文件处理完成\r\n")));
    f.close();

    // A file whose last line lacks its break gets one, as rewriting the file would give.
    dir.write(QStringLiteral("partial.log"), "old line");
    AppendLog(dir.file(QStringLiteral("partial.log")), QStringLiteral("new"), clock);
    QFile p(dir.file(QStringLiteral("partial.log")));
    ASSERT_TRUE(p.open(QIODevice::ReadOnly));
    EXPECT_EQ(p.readAll(), QByteArray("old line\r\n[2013-05-07 09:03:03] new\r\n"));
}

TEST(AppendLog, UnwritableFileThrows)
{
    FakeClock clock;
    EXPECT_THROW(AppendLog(QStringLiteral("/nonexistent-folder/x.log"), QStringLiteral("t"), clock), Failure);
}

TEST(MessageBoxes, KindsTitlesAndResults)
{
    RecordingPrompter p;
    p.queueAnswer(ButtonCode::No);
    p.queueAnswer(ButtonCode::Cancel);
    EXPECT_EQ(ShowMessageBox(p, BoxOwner::MainWindow, QStringLiteral("i"), 0), 0);
    EXPECT_EQ(ShowMessageBox(p, BoxOwner::MainWindow, QStringLiteral("w"), 1), 0);
    EXPECT_EQ(ShowMessageBox(p, BoxOwner::Application, QStringLiteral("e"), 2), 0);
    EXPECT_EQ(ShowMessageBox(p, BoxOwner::MainWindow, QStringLiteral("q"), 3), ButtonCode::No);
    EXPECT_EQ(ShowMessageBox(p, BoxOwner::MainWindow, QStringLiteral("c"), 4), ButtonCode::Cancel);
    EXPECT_EQ(ShowMessageBox(p, BoxOwner::MainWindow, QStringLiteral("q"), 3), ButtonCode::Yes); // default
    EXPECT_EQ(ShowMessageBox(p, BoxOwner::MainWindow, QStringLiteral("none"), 5), 0);
    EXPECT_EQ(ShowMessageBox(p, BoxOwner::MainWindow, QStringLiteral("none"), -1), 0);
    const auto shown = p.shown();
    ASSERT_EQ(shown.size(), 6); // the unknown kinds showed nothing
    const char* titles[] = {"提示", "警告", "错误", "提示", "提示", "提示"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(shown[i].title, QString::fromUtf8(titles[i])) << i;
    EXPECT_EQ(shown[2].owner, BoxOwner::Application);
}

TEST(MessageBoxes, CommandLineBackendPrintsAndAnswers)
{
    struct Case {
        bool yes;
        int expected;
    } cases[] = {{true, ButtonCode::Yes}, {false, ButtonCode::No}};
    for (const Case& c : cases) {
        std::FILE* err = std::tmpfile();
        std::FILE* in = std::tmpfile(); // empty and not a terminal: no question is asked
        ASSERT_TRUE(err && in);
        {
            CliPrompter p(c.yes, err, in);
            EXPECT_EQ(ShowMessageBox(p, BoxOwner::MainWindow, QStringLiteral("是否继续"), MessageBoxKind::YesNo),
                      c.expected);
            ShowMessageBox(p, BoxOwner::MainWindow, QStringLiteral("出错了"), MessageBoxKind::Error);
            EXPECT_EQ(p.refused(), !c.yes);
        }
        std::fflush(err);
        std::rewind(err);
        QByteArray written;
        char chunk[256];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, err)) > 0;)
            written.append(chunk, static_cast<qsizetype>(n));
        std::fclose(err);
        std::fclose(in);
        written.replace("\r\n", "\n"); // a text stream on Windows
        EXPECT_EQ(QString::fromUtf8(written), QStringLiteral("[提示] 是否继续\n[错误] 出错了\n"));
    }
}

TEST(NumberText, FixedGroupedAndGeneralForms)
{
    struct Case {
        double v;
        const char* fixed2;
        const char* fixed4;
        const char* grouped;
        const char* general;
    } cases[] = {
        {0, "0.00", "0.0000", "0.00", "0"},
        {1234.5, "1234.50", "1234.5000", "1,234.50", "1234.5"},
        {1234567.5, "1234567.50", "1234567.5000", "1,234,567.50", "1234567.5"},
        {0.125, "0.13", "0.1250", "0.13", "0.125"},
        {2.5, "2.50", "2.5000", "2.50", "2.5"},
        {0.005, "0.01", "0.0050", "0.01", "0.005"},
        {-0.125, "-0.13", "-0.1250", "-0.13", "-0.125"},
        {-0.001, "0.00", "-0.0010", "0.00", "-0.001"},
        {999.995, "1000.00", "999.9950", "1,000.00", "999.995"},
        {1.005, "1.00", "1.0050", "1.00", "1.005"}, // 18 digits give 1.00499999999999989
        {12.5, "12.50", "12.5000", "12.50", "12.5"},
        {1001.5, "1001.50", "1001.5000", "1,001.50", "1001.5"},
        {0.1 + 0.2, "0.30", "0.3000", "0.30", "0.3"},
        {1e15, "1000000000000000.00", "1000000000000000.0000", "1,000,000,000,000,000.00", "1E15"},
        {123456789012345.0, "123456789012345.00", "123456789012345.0000", "123,456,789,012,345.00", "123456789012345"},
        {0.0001, "0.00", "0.0001", "0.00", "0.0001"},
        {0.000015, "0.00", "0.0000", "0.00", "1.5E-5"},
        {-2.5e20, "-250000000000000000000.00", "-250000000000000000000.0000", "-250,000,000,000,000,000,000.00",
         "-2.5E20"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatFixed(c.v, 2), QLatin1String(c.fixed2)) << c.v;
        EXPECT_EQ(formatFixed(c.v, 4), QLatin1String(c.fixed4)) << c.v;
        EXPECT_EQ(formatGrouped(c.v), QLatin1String(c.grouped)) << c.v;
        EXPECT_EQ(formatGeneral(c.v), QLatin1String(c.general)) << c.v;
    }
}

TEST(NumberText, ParseDecimalAcceptsOnlyPlainNumbers)
{
    struct Case {
        const char* text;
        bool ok;
        double value;
    } cases[] = {
        {"3", true, 3},         {"2.5", true, 2.5}, {"-1.5", true, -1.5}, {"+7", true, 7},   {"1e3", true, 1000},
        {"2.5E-1", true, 0.25}, {".5", true, 0.5},  {"5.", true, 5},      {"", false, 0},    {"1,000", false, 0},
        {" 1", false, 0},       {"1 ", false, 0},   {"abc", false, 0},    {"inf", false, 0}, {"nan", false, 0},
        {"0x10", false, 0},     {"1e", false, 0},   {"-", false, 0},      {".", false, 0},   {"1e999", false, 0},
        {"12,50", false, 0},    {"１２", false, 0},
    };
    for (const Case& c : cases) {
        double v = -42;
        EXPECT_EQ(parseDecimal(QString::fromUtf8(c.text), &v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(v, c.value) << c.text;
        }
    }
}

TEST(Gbk, EncodesAndDecodesCodePage936WhateverTheSystemCodePage)
{
    // Bytes from the code page's own table, not from our encoder.
    struct Case {
        QString text;
        QByteArray bytes;
    } cases[] = {
        {QStringLiteral("开票"), QByteArray("\xBF\xAA\xC6\xB1")},
        {QStringLiteral("D:\\发票\\"), QByteArray("D:\\\xB7\xA2\xC6\xB1\\")},
        {QStringLiteral("销售单据号1001"), QByteArray("\xCF\xFA\xCA\xDB\xB5\xA5\xBE\xDD\xBA\xC5"
                                                      "1001")},
        {QStringLiteral("ascii only"), QByteArray("ascii only")},
        {QString(), QByteArray()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(gbkEncode(c.text), c.bytes);
        EXPECT_EQ(gbkDecode(c.bytes), c.text);
    }
}

TEST(CodePage, ReadsAndWritesTheCodePagesOfWorkbooksFromTheirTables)
{
    // Bytes from each code page's own table. Where Qt has no converter (Windows) the system's
    // tables answer, so these hold on every platform.
    struct Case {
        int number;
        QByteArray bytes;
        QString text;
    } cases[] = {
        {936, QByteArray("\xBF\xAA\xC6\xB1"), QStringLiteral("开票")},
        {950, QByteArray("\xA4\xA4\xA4\xE5"), QStringLiteral("中文")},
        {932, QByteArray("\x93\xFA\x96\x7B"), QStringLiteral("日本")},
        {949, QByteArray("\xC7\xD1"), QStringLiteral("한")},
        {1252, QByteArray("\x80 \x93x\x94"), QStringLiteral("\u20AC \u201Cx\u201D")}, // not Latin-1
        {1251, QByteArray("\xC4\xE0"), QStringLiteral("Да")},
        {10000, QByteArray("\x8A"), QStringLiteral("ä")},
        {437, QByteArray("\x82"), QStringLiteral("é")},
        {1200, QByteArray("\x2D\x4E\x87\x65"), QStringLiteral("中文")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        const CodePage page(c.number);
        EXPECT_TRUE(page.isValid());
        EXPECT_EQ(page.decode(c.bytes), c.text);
        EXPECT_EQ(page.encode(c.text), c.bytes);
        EXPECT_EQ(page.decode(c.bytes), c.text); // nothing carried over from the call before
    }
    const CodePage unknown(4711);
    EXPECT_FALSE(unknown.isValid());
    EXPECT_EQ(unknown.decode(QByteArray("\xE9t\xE9")), QStringLiteral("été"));
}

TEST(Gbk, PiecesNeverSplitACharacterAndDropPast500Bytes)
{
    const QString han = QStringLiteral("汉");
    struct Case {
        QString text;
        QList<int> byteLengths; // GBK length of each of the five pieces
    } cases[] = {
        {QString(120, han.at(0)), {100, 100, 40, 0, 0}},
        {QString(250, QLatin1Char('a')), {100, 100, 50, 0, 0}},
        {QString(600, QLatin1Char('a')), {100, 100, 100, 100, 100}},
        {QLatin1Char('a') + QString(60, han.at(0)), {99, 22, 0, 0, 0}}, // the 50th 汉 would straddle byte 100
        {QString(), {0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const QStringList pieces = cutGbkPieces(c.text, 5, 100);
        ASSERT_EQ(pieces.size(), 5);
        QList<int> lengths;
        for (const QString& p : pieces)
            lengths << static_cast<int>(gbkEncode(p).size());
        EXPECT_EQ(lengths, c.byteLengths) << c.text.size();
        if (c.text.size() <= 250) {
            EXPECT_EQ(pieces.join(QString()), c.text);
        }
    }
    EXPECT_EQ(trimControl(QStringLiteral("\t 1001\r\n\x01")), QStringLiteral("1001"));
    EXPECT_EQ(trimControl(QStringLiteral("\u30001001\u3000")), QStringLiteral("\u30001001\u3000"));
}
