#include "RequestFixture.h"

#include "app/Gbk.h"

#include <QXmlStreamReader>
#include <gtest/gtest.h>

#if __has_include(<sys/resource.h>)
#include <csignal>
#include <sys/resource.h>
#define CORVINA_HAVE_FILE_SIZE_LIMIT 1
#endif

using namespace corvina;
using namespace corvina::test;

namespace {

// A conforming parser's verdict on a written file.
QString xmlError(const QByteArray& bytes)
{
    QXmlStreamReader reader(bytes);
    while (!reader.atEnd())
        reader.readNext();
    return reader.hasError() ? reader.errorString() : QString();
}

QString lineStartingWith(const QStringList& lines, const QString& prefix)
{
    for (const QString& line : lines) {
        if (line.startsWith(prefix))
            return line;
    }
    return QString();
}

} // namespace

TEST(RequestFileWriter, ControlFileMatchesTheLayoutByteForByte)
{
    WriterRig rig;
    // A longer file already there must be replaced, not appended to or partly overwritten.
    QFile old(rig.controlPath());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'x'));
    old.close();

    EXPECT_TRUE(rig.writeControl());
    EXPECT_EQ(fileBytes(rig.controlPath()), fileBytes(dataPath(QStringLiteral("requests/invoice.xml"))));
    EXPECT_TRUE(rig.prompter.shown().isEmpty());
}

TEST(RequestFileWriter, RecordFileMatchesTheLayoutByteForByte)
{
    WriterRig rig;
    addLines(rig.store, QStringLiteral("XS-2024-001"), sampleLines());
    addLines(rig.store, QStringLiteral("XS-2024-002"), {{1, QStringLiteral("别的单据"), 1, 1, 1}});

    EXPECT_TRUE(rig.writeRecord());
    EXPECT_EQ(fileBytes(rig.recordPath()), fileBytes(dataPath(QStringLiteral("requests/invoicedata_6.xml"))));
    EXPECT_TRUE(rig.prompter.shown().isEmpty());
}

TEST(RequestFileWriter, LayoutChosenByTheLastFiveCharacters)
{
    struct Case {
        const char* name;
        const char* file;
        const char* root;
    };
    const Case cases[] = {
        {"control", "invoice.xml", "<kpkz>"},
        {"other name ending in e.xml", "mye.xml", "<kpkz>"},
        {"record", "invoicedata_6.xml", "<SK_KPJL>"},
        {"upper case is not e.xml", "INVOICE.XML", "<SK_KPJL>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriterRig rig;
        const QString name = QString::fromLatin1(c.file);
        ASSERT_TRUE(rig.write(rig.kaippath() + QStringLiteral("\\Config\\") + name));
        const QStringList lines = QString::fromUtf8(fileBytes(rig.folder.file(QStringLiteral("Config/") + name)))
                                      .split(QStringLiteral("\r\n"));
        EXPECT_EQ(lines.value(1), QString::fromLatin1(c.root));
    }
}

TEST(RequestFileWriter, AmountsAndLineItems)
{
    struct Case {
        const char* name;
        QString total;
        std::vector<Line> lines;
        QString je;       // line 12
        QString mx;       // the MX start tag
        QStringList rows; // the Row lines, in order
    };
    const QString t = QStringLiteral("1.00");
    const std::vector<Case> cases = {
        {"no line items", t, {}, t, R"(<MX HJJE="1.00" RecNum="0">)", {}},
        {"total kept as typed in JE",
         QStringLiteral("1234567.5"),
         {},
         QStringLiteral("1234567.5"),
         R"(<MX HJJE="1,234,567.50" RecNum="0">)",
         {}},
        {"half a cent rounds away from zero",
         QStringLiteral("0.125"),
         {},
         QStringLiteral("0.125"),
         R"(<MX HJJE="0.13" RecNum="0">)",
         {}},
        {"negative total",
         QStringLiteral("-1234.5"),
         {},
         QStringLiteral("-1234.5"),
         R"(<MX HJJE="-1,234.50" RecNum="0">)",
         {}},
        {"second line without a name keeps its number",
         t,
         {{1, QStringLiteral("a"), 1, 1, 1}, {2, QString(), 1, 1, 1}, {3, QStringLiteral("c"), 1, 1, 1}},
         t,
         R"(<MX HJJE="1.00" RecNum="3">)",
         {R"(<Row BZ="" JE="1.00" DJ="1.00" SL="1" JLDW="" HPMC="a" XH="1"/>)",
          R"(<Row BZ="" JE="1.00" DJ="1.00" SL="1" JLDW="" HPMC="c" XH="3"/>)"}},
        {"a name of blanks is a name; missing numbers",
         t,
         {{1, QStringLiteral("  "), QVariant(), QVariant(), QVariant()}},
         t,
         R"(<MX HJJE="1.00" RecNum="1">)",
         {R"(<Row BZ="" JE="0.00" DJ="0.00" SL="" JLDW="" HPMC="  " XH="1"/>)"}},
        {"quantity unformatted, prices grouped",
         t,
         {{1, QStringLiteral("x"), QStringLiteral("2.50"), QStringLiteral("999.995"), QStringLiteral("1234.5")}},
         t,
         R"(<MX HJJE="1.00" RecNum="1">)",
         {R"(<Row BZ="" JE="1,234.50" DJ="1,000.00" SL="2.50" JLDW="" HPMC="x" XH="1"/>)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriterRig rig;
        rig.list.setText(0, ColNoTaxSum, c.total);
        addLines(rig.store, QStringLiteral("XS-2024-001"), c.lines);
        ASSERT_TRUE(rig.writeRecord());
        const QStringList lines = rig.recordLines();
        EXPECT_EQ(lines.value(11), QStringLiteral("<JE>") + c.je + QStringLiteral("</JE>"));
        EXPECT_EQ(lines.value(40), c.mx);
        EXPECT_EQ(lines.mid(41, c.rows.size()), c.rows);
        EXPECT_EQ(lines.value(41 + c.rows.size()), QStringLiteral("</MX>"));
        EXPECT_EQ(lines.value(42 + c.rows.size()), QStringLiteral("</SK_KPJL>"));
        EXPECT_EQ(lines.size(), 44 + c.rows.size()); // the last CR LF leaves an empty tail
    }
}

TEST(RequestFileWriter, RemarkCutIntoFivePiecesOfGbkBytes)
{
    const QString a100(100, QLatin1Char('a'));
    const QString b100(100, QLatin1Char('b'));
    struct Case {
        const char* name;
        QString remark;
        QStringList pieces;
    };
    const std::vector<Case> cases = {
        {"250 bytes",
         a100 + b100 + QString(50, QLatin1Char('c')),
         {a100, b100, QString(50, QLatin1Char('c')), QString(), QString()}},
        {"600 bytes lose the last 100",
         QString(500, QLatin1Char('d')) + QString(100, QLatin1Char('e')),
         {QString(100, QLatin1Char('d')), QString(100, QLatin1Char('d')), QString(100, QLatin1Char('d')),
          QString(100, QLatin1Char('d')), QString(100, QLatin1Char('d'))}},
        {"a double-byte character at the mark moves to the next piece",
         QString(99, QLatin1Char('a')) + QStringLiteral("中文"),
         {QString(99, QLatin1Char('a')), QStringLiteral("中文"), QString(), QString(), QString()}},
        {"fifty characters of two bytes fill one piece",
         QString(51, QChar(0x4E2D)),
         {QString(50, QChar(0x4E2D)), QString(1, QChar(0x4E2D)), QString(), QString(), QString()}},
        {"ampersand replaced before cutting",
         QStringLiteral("A&B"),
         {QStringLiteral("A-B"), QString(), QString(), QString(), QString()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriterRig rig;
        rig.list.setText(0, ColRemark, c.remark);
        ASSERT_TRUE(rig.writeRecord());
        const QStringList lines = rig.recordLines();
        for (int i = 0; i < 5; ++i) {
            const QString tag = QStringLiteral("BZ%1").arg(i + 1);
            EXPECT_EQ(lines.value(35 + i), QStringLiteral("<%1>%2</%1>").arg(tag, c.pieces[i]));
            EXPECT_LE(gbkEncode(c.pieces[i]).size(), 100);
        }
    }
}

TEST(RequestFileWriter, EveryValueEscapedSoTheFileStaysWellFormed)
{
    WriterRig rig;
    rig.list.setText(0, ColCustName, QStringLiteral(R"(<A & "B">)"));
    rig.list.setText(0, ColCustPo, QStringLiteral("HT&01"));
    rig.list.setText(0, ColSinature, QStringLiteral("李<四>"));
    rig.list.setText(0, ColVF,
                     QStringLiteral("a\x01"
                                    "b\nc"));
    rig.data.NSRMC = QStringLiteral(R"(X "Y" & Z)");
    rig.data.KPZLID = QStringLiteral(R"(1" x="2)");
    addLines(rig.store, QStringLiteral("XS-2024-001"),
             {{1, QStringLiteral(R"(螺丝 <M8> "A"&B)"), QStringLiteral(R"(1"2)"), 1, 1}});

    ASSERT_TRUE(rig.writeRecord());
    ASSERT_TRUE(rig.writeControl());
    const QByteArray record = fileBytes(rig.recordPath());
    EXPECT_EQ(xmlError(record), QString());
    EXPECT_EQ(xmlError(fileBytes(rig.controlPath())), QString());

    const QStringList lines = rig.recordLines();
    const QStringList expected = {
        QStringLiteral("<FKRMC>&lt;A - &quot;B&quot;&gt;</FKRMC>"),
        QStringLiteral("<HTBH>HT&amp;01</HTBH>"),
        QStringLiteral("<KPRXM>李&lt;四&gt;</KPRXM>"),
        QStringLiteral("<HXDH>ab&#10;c</HXDH>"),
        QStringLiteral("<SKRMC>X &quot;Y&quot; &amp; Z</SKRMC>"),
        QStringLiteral(
            R"(<Row BZ="" JE="1.00" DJ="1.00" SL="1&quot;2" JLDW="" HPMC="螺丝 &lt;M8&gt; &quot;A&quot;-B" XH="1"/>)"),
    };
    for (const QString& line : expected)
        EXPECT_TRUE(lines.contains(line)) << line.toStdString();
    EXPECT_EQ(lineStartingWith(QString::fromUtf8(fileBytes(rig.controlPath())).split(QStringLiteral("\r\n")),
                               QStringLiteral("<kp ")),
              QStringLiteral(R"(<kp zlid="1&quot; x=&quot;2">)"));
}

TEST(RequestFileWriter, ReplaceAmpersandAndEscaping)
{
    struct Case {
        QString in;
        QString replaced;
        QString escaped;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("A&B&&"), QStringLiteral("A-B--"), QStringLiteral("A&amp;B&amp;&amp;")},
        {QStringLiteral("无特殊字符 plain"), QStringLiteral("无特殊字符 plain"), QStringLiteral("无特殊字符 plain")},
        {QStringLiteral("a'b"), QStringLiteral("a'b"), QStringLiteral("a'b")},
        {QStringLiteral("\t\r"), QStringLiteral("\t\r"), QStringLiteral("&#9;&#13;")},
        {QString::fromUtf16(u"x\uFFFEy\U0001F600"), QString::fromUtf16(u"x\uFFFEy\U0001F600"),
         QString::fromUtf16(u"xy\U0001F600")},
        {QString(QChar(0xD800)) + QStringLiteral("z"), QString(QChar(0xD800)) + QStringLiteral("z"),
         QStringLiteral("z")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReplaceAmpersand(c.in), c.replaced);
        EXPECT_EQ(escapeRequestValue(c.in), c.escaped);
    }
}

TEST(RequestFileWriter, FailuresShowOneBoxAndKeepWhatWasWritten)
{
    struct Case {
        const char* name;
        QString total;
        QString orderId;
        bool ok;
        int linesKept; // complete lines in the file afterwards
    };
    const std::vector<Case> cases = {
        {"empty total fails after the remarks", QString(), QStringLiteral("XS-2024-001"), false, 40},
        {"total not a number", QStringLiteral("12,00"), QStringLiteral("XS-2024-001"), false, 40},
        {"apostrophe in the document number is bound, not spliced", QStringLiteral("5"), QStringLiteral("XS'01"), true,
         44},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriterRig rig;
        rig.list.setText(0, ColNoTaxSum, c.total);
        rig.list.setText(0, ColOrderId, c.orderId);
        addLines(rig.store, QStringLiteral("XS'01"), {{1, QStringLiteral("a"), 1, 1, 1}});
        const QString path = rig.kaippath() + QStringLiteral("\\Config\\invoicedata_6.xml");
        EXPECT_EQ(rig.write(path), c.ok);
        const QByteArray bytes = fileBytes(rig.recordPath());
        EXPECT_EQ(bytes.count("\r\n"), c.linesKept);
        EXPECT_TRUE(bytes.endsWith("\r\n"));
        if (c.ok) {
            EXPECT_TRUE(rig.prompter.shown().isEmpty());
            EXPECT_TRUE(bytes.contains("HPMC=\"a\" XH=\"1\""));
        } else {
            ASSERT_EQ(rig.prompter.shown().size(), 1);
            EXPECT_EQ(rig.prompter.shown()[0].text, path + QStringLiteral("更新失败!"));
            EXPECT_EQ(rig.prompter.shown()[0].kind, MessageBoxKind::Error);
            EXPECT_EQ(rig.prompter.shown()[0].owner, BoxOwner::Application);
        }
    }
}

#ifdef CORVINA_HAVE_FILE_SIZE_LIMIT
// Files of this process cannot grow past `bytes` while it lives: a write fails half way, as on a
// full disk, or as when the tool is killed in the middle of a file.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_previous{};
    void (*m_handler)(int) = nullptr;
};

TEST(RequestFileWriter, WriteFailingHalfWay)
{
    struct Case {
        const char* name;
        bool control;
        bool previousKept; // the file as it was before; otherwise the lines written so far
    };
    // The control file is read back by every later run, so it never stays half written.
    const std::vector<Case> cases = {
        {"control file", true, true},
        {"record file", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriterRig rig;
        ASSERT_TRUE(c.control ? rig.writeControl() : rig.writeRecord());
        const QString file = c.control ? rig.controlPath() : rig.recordPath();
        const QByteArray before = fileBytes(file);
        rig.data.FPDM = QStringLiteral("4400000000");
        bool ok = true;
        {
            const FileSizeLimit limit(120);
            ok = c.control ? rig.writeControl() : rig.writeRecord();
        }
        EXPECT_FALSE(ok);
        const QString path = rig.kaippath() + (c.control ? QStringLiteral("\\Config\\invoice.xml")
                                                         : QStringLiteral("\\Config\\invoicedata_6.xml"));
        EXPECT_EQ(rig.prompter.texts(), QStringList{path + QStringLiteral("更新失败!")});
        const QByteArray after = fileBytes(file);
        if (c.previousKept) {
            EXPECT_EQ(after, before);
        } else {
            EXPECT_EQ(after.size(), 120);
            EXPECT_TRUE(before.startsWith(after));
        }
        EXPECT_EQ(QDir(rig.folder.file(QStringLiteral("Config"))).entryList(QDir::Files).size(), 1)
            << "nothing left beside the file";
    }
}
#endif

TEST(RequestFileWriter, FileThatCannotBeCreated)
{
    WriterRig rig;
    const QString path = rig.kaippath() + QStringLiteral("\\NoSuchFolder\\invoice.xml");
    EXPECT_FALSE(rig.write(path));
    EXPECT_EQ(rig.prompter.texts(), QStringList{path + QStringLiteral("更新失败!")});
}

TEST(RequestFileWriter, DateIsTheMomentOfWriting)
{
    WriterRig rig;
    ASSERT_TRUE(rig.writeRecord());
    EXPECT_EQ(rig.recordLines().value(14), QStringLiteral("<KPRQ>20240105 09:03:07</KPRQ>"));
    rig.clock.set(QDateTime(QDate(2025, 12, 31), QTime(23, 59, 58)));
    ASSERT_TRUE(rig.writeRecord());
    EXPECT_EQ(rig.recordLines().value(14), QStringLiteral("<KPRQ>20251231 23:59:58</KPRQ>"));
}
