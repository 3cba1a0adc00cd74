#include "app/Gbk.h"
#include "invoicing/IssuePreparer.h"
#include "invoicing/IssuingDatabase.h"
#include "invoicing/RequestFixture.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <gtest/gtest.h>

using namespace corvina;
using namespace corvina::test;

namespace {

struct StandinRun {
    int exitCode = -1;
    QString out;
    QString err;
};

StandinRun standin(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(CORVINA_BIN_DIR "/invoicing-standin"), arguments);
    StandinRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = test::programText(process.readAllStandardOutput());
    run.err = test::programText(process.readAllStandardError());
    return run;
}

// All rows of a select on the stand-in's database, each as its column texts.
QList<QStringList> query(const QString& folder, const QString& sql)
{
    QList<QStringList> rows;
    const QString name = QStringLiteral("standin-test");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(folder + QStringLiteral("Data/DB_KP.mdb"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql)) {
                while (q.next()) {
                    QStringList row;
                    for (int i = 0; i < q.record().count(); ++i)
                        row << q.value(i).toString();
                    rows << row;
                }
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

QString single(const QString& folder, const QString& sql)
{
    const QList<QStringList> rows = query(folder, sql);
    return rows.isEmpty() ? QStringLiteral("<no row>") : rows.first().value(0);
}

// Request files typed like the tool writes them, with the values a test wants to vary.
struct Request {
    QString code = QStringLiteral("3100071140");
    QString number = QStringLiteral("00000001");
    QString controlNumber = QStringLiteral("00000001");
    QString buyer = QStringLiteral("Acme Ltd.");
    QString recNum = QStringLiteral("2");
    QString rows =
        QStringLiteral("<Row BZ=\"\" JE=\"1,234.50\" DJ=\"0.13\" SL=\"2.5\" JLDW=\"\" HPMC=\"钢管\" XH=\"1\"/>\r\n"
                       "<Row BZ=\"\" JE=\"3.00\" DJ=\"3.00\" SL=\"1\" JLDW=\"\" HPMC=\"阀门\" XH=\"2\"/>\r\n");
    QString contract = QStringLiteral("<HTBH>HT-88</HTBH>");

    QByteArray control() const
    {
        return QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<kpkz>\r\n<kp zlid=\"1\">\r\n"
                              "<invoice_info>\r\n<fpdm>%1</fpdm>\r\n<fphm>%2</fphm>\r\n<kpzt>1</kpzt>\r\n"
                              "</invoice_info>\r\n<print_info>\r\n<print_left>10</print_left>\r\n"
                              "<print_top>20</print_top>\r\n<print_name>printer</print_name>\r\n</print_info>\r\n"
                              "</kp>\r\n<printerName>printer</printerName>\r\n</kpkz>\r\n")
            .arg(code, controlNumber)
            .toUtf8();
    }
    QByteArray record() const
    {
        QString s =
            QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<SK_KPJL>\r\n<HYFLDM>0200</HYFLDM>\r\n"
                           "<HY>商业</HY>\r\n<KPZLID>1</KPZLID>\r\n<KPZLMC>出口发票</KPZLMC>\r\n");
        s += QStringLiteral("<FPDM>%1</FPDM>\r\n<FPHM>%2</FPHM>\r\n").arg(code, number);
        s +=
            QStringLiteral("<SKRMC>上海澄江</SKRMC>\r\n<SKRSH>310115720345678</SKRSH>\r\n<FKRMC>%1</FKRMC>\r\n"
                           "<JE>1237.5</JE>\r\n<SKM></SKM>\r\n<KPRXM>王芳</KPRXM>\r\n<KPRQ>20240105 09:03:07</KPRQ>\r\n"
                           "<FPXE>1000000.00</FPXE>\r\n")
                .arg(buyer);
        s += contract + QStringLiteral("\r\n");
        for (const char* e : {"YFPDM", "YFPHM", "TWBPBZ",  "KPLXID",  "FHTZSBH",   "CKTZSBH", "CKXH",    "KJBH",
                              "HXDH",  "GSZCH", "KHYH_ZH", "KHYH_EN", "SWIFTCODE", "YHZH",    "ZCDZ_ZH", "ZCDZ_EN",
                              "TEL",   "FAX",   "BZ1",     "BZ2",     "BZ3",       "BZ4",     "BZ5"})
            s += QStringLiteral("<%1>v</%1>\r\n").arg(QLatin1String(e));
        s += QStringLiteral("<MX HJJE=\"1,237.50\" RecNum=\"%1\">\r\n").arg(recNum) + rows +
             QStringLiteral("</MX>\r\n</SK_KPJL>\r\n");
        return s.toUtf8();
    }
    void writeTo(const TempFolder& folder) const
    {
        folder.write(QStringLiteral("Config/invoice.xml"), control());
        folder.write(QStringLiteral("Config/invoicedata_6.xml"), record());
    }
};

QString logOf(const TempFolder& folder)
{
    return gbkDecode(fileBytes(folder.file(QStringLiteral("standin.log"))));
}

} // namespace

TEST(Standin, InitVariants)
{
    struct Case {
        const char* name;
        QStringList options;
        int companies;
        int enabled;
        QString next; // DQKYH of the first enabled book
        QString left; // print_left in the control file; empty when there is none
    };
    const std::vector<Case> cases = {
        {"defaults", {}, 1, 1, QStringLiteral("00000001"), QStringLiteral("10")},
        {"no company row", {QStringLiteral("--no-company")}, 0, 1, QStringLiteral("00000001"), QStringLiteral("10")},
        {"no enabled book",
         {QStringLiteral("--no-enabled-book")},
         1,
         0,
         QStringLiteral("<no row>"),
         QStringLiteral("10")},
        {"used-up book", {QStringLiteral("--used-up-book")}, 1, 1, QString(), QStringLiteral("10")},
        {"two enabled books",
         {QStringLiteral("--two-enabled-books")},
         1,
         2,
         QStringLiteral("00000001"),
         QStringLiteral("10")},
        {"own numbers and offsets",
         {QStringLiteral("--next-number"), QStringLiteral("0099"), QStringLiteral("--print-left"),
          QStringLiteral("-2.5")},
         1,
         1,
         QStringLiteral("0099"),
         QStringLiteral("-2.5")},
        {"no control file", {QStringLiteral("--no-control-file")}, 1, 1, QStringLiteral("00000001"), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const StandinRun run = standin(QStringList{QStringLiteral("--init"), folder.path()} + c.options);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(single(folder.path(), QStringLiteral("select count(*) from KPZH")), QString::number(c.companies));
        EXPECT_EQ(single(folder.path(), QStringLiteral("select count(*) from FPB_TZ where ZTID=3")),
                  QString::number(c.enabled));
        EXPECT_EQ(single(folder.path(), QStringLiteral("select DQKYH from FPB_TZ where ZTID=3 order by ID")), c.next);
        const QByteArray control = fileBytes(folder.file(QStringLiteral("Config/invoice.xml")));
        if (c.left.isEmpty())
            EXPECT_TRUE(control.isEmpty());
        else
            EXPECT_TRUE(control.contains("<print_left>" + c.left.toUtf8() + "</print_left>\r\n"));
    }
}

TEST(Standin, BadArgumentsAreRefused)
{
    for (const QStringList& args :
         {QStringList{}, QStringList{QStringLiteral("--bogus")}, QStringList{QStringLiteral("--init")}}) {
        const StandinRun run = standin(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains(QLatin1String("Usage: invoicing-standin")));
    }
}

TEST(Standin, IntakeRecordsTheInvoiceAndAdvancesTheBook)
{
    TempFolder folder;
    ASSERT_EQ(standin({QStringLiteral("--init"), folder.path()}).exitCode, 0);
    Request request;
    request.writeTo(folder);

    const StandinRun run = standin({QStringLiteral("--intake"), folder.path()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(
        query(folder.path(), QStringLiteral("select FPDM, FPHM, FKRMC, JE, KPRQ, HTBH, HJJE, RecNum from issued")),
        (QList<QStringList>{{QStringLiteral("3100071140"), QStringLiteral("00000001"), QStringLiteral("Acme Ltd."),
                             QStringLiteral("1237.5"), QStringLiteral("20240105 09:03:07"), QStringLiteral("HT-88"),
                             QStringLiteral("1,237.50"), QStringLiteral("2")}}));
    EXPECT_FALSE(single(folder.path(), QStringLiteral("select recorded_at from issued")).isEmpty());
    EXPECT_EQ(
        query(folder.path(), QStringLiteral("select FPDM, FPHM, XH, HPMC, SL, DJ, JE from issued_rows order by id")),
        (QList<QStringList>{
            {QStringLiteral("3100071140"), QStringLiteral("00000001"), QStringLiteral("1"), QStringLiteral("钢管"),
             QStringLiteral("2.5"), QStringLiteral("0.13"), QStringLiteral("1,234.50")},
            {QStringLiteral("3100071140"), QStringLiteral("00000001"), QStringLiteral("2"), QStringLiteral("阀门"),
             QStringLiteral("1"), QStringLiteral("3.00"), QStringLiteral("3.00")}}));
    EXPECT_EQ(single(folder.path(), QStringLiteral("select DQKYH from FPB_TZ where ZTID=3")),
              QStringLiteral("00000002"));
    EXPECT_TRUE(logOf(folder).contains(QStringLiteral("已开具发票")));

    // The same request again is stale: the book has moved on.
    const StandinRun again = standin({QStringLiteral("--intake"), folder.path()});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(single(folder.path(), QStringLiteral("select count(*) from issued")), QStringLiteral("1"));
    EXPECT_EQ(single(folder.path(), QStringLiteral("select DQKYH from FPB_TZ where ZTID=3")),
              QStringLiteral("00000002"));
}

// The intake options that let every way an issue can go wrong be shown: a refused request, an
// invoice issued while the book's current number stays, and one whose number moves on later.
TEST(Standin, IntakeOptionsDepartFromAWellBehavedProgram)
{
    struct Case {
        const char* name;
        QStringList options;
        int exitCode;
        QString issued;  // invoices recorded
        QString bookNow; // DQKYH once the program has ended
        QString logLine; // a text the log holds afterwards
    };
    const Case cases[] = {
        {"the first request refused",
         {QStringLiteral("--refuse-request"), QStringLiteral("1")},
         1,
         QStringLiteral("0"),
         QStringLiteral("00000001"),
         QStringLiteral("拒收开票请求")},
        {"only a later request refused",
         {QStringLiteral("--refuse-request"), QStringLiteral("2")},
         0,
         QStringLiteral("1"),
         QStringLiteral("00000002"),
         QStringLiteral("已开具发票")},
        {"issued, the number held",
         {QStringLiteral("--hold-number")},
         0,
         QStringLiteral("1"),
         QStringLiteral("00000001"),
         QStringLiteral("暂未前进")},
        {"issued, the number moved on later",
         {QStringLiteral("--advance-after"), QStringLiteral("300")},
         0,
         QStringLiteral("1"),
         QStringLiteral("00000002"),
         QStringLiteral("已从 00000001 前进")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        ASSERT_EQ(standin({QStringLiteral("--init"), folder.path()}).exitCode, 0);
        Request().writeTo(folder);
        const StandinRun run = standin(QStringList{QStringLiteral("--intake"), folder.path()} + c.options);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        EXPECT_EQ(single(folder.path(), QStringLiteral("select count(*) from issued")), c.issued);
        EXPECT_EQ(single(folder.path(), QStringLiteral("select DQKYH from FPB_TZ where ZTID=3")), c.bookNow);
        EXPECT_TRUE(logOf(folder).contains(c.logLine)) << logOf(folder).toStdString();
    }
}

TEST(Standin, HeldNumberIsNotIssuedTwiceAndMovesOnByHand)
{
    TempFolder folder;
    ASSERT_EQ(
        standin({QStringLiteral("--init"), folder.path(), QStringLiteral("--last-number"), QStringLiteral("00000002")})
            .exitCode,
        0);
    Request().writeTo(folder);
    ASSERT_EQ(standin({QStringLiteral("--intake"), folder.path(), QStringLiteral("--hold-number")}).exitCode, 0);
    // The same number again cannot be issued a second time.
    const StandinRun again = standin({QStringLiteral("--intake"), folder.path()});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(single(folder.path(), QStringLiteral("select count(*) from issued")), QStringLiteral("1"));

    struct Step {
        int exitCode;
        QString bookNow;
    };
    // 00000001 -> 00000002, then past the last number: used up; a used-up book cannot move on.
    for (const Step& step : {Step{0, QStringLiteral("00000002")}, Step{0, QString()}, Step{1, QString()}}) {
        EXPECT_EQ(standin({QStringLiteral("--advance"), folder.path()}).exitCode, step.exitCode);
        EXPECT_EQ(single(folder.path(), QStringLiteral("select DQKYH from FPB_TZ where ZTID=3")), step.bookNow);
    }
}

TEST(Standin, IntakeOptionsThatMakeNoSense)
{
    for (const QStringList& args : {
             QStringList{QStringLiteral("--intake"), QStringLiteral("x"), QStringLiteral("--refuse-request"),
                         QStringLiteral("0")},
             QStringList{QStringLiteral("--intake"), QStringLiteral("x"), QStringLiteral("--hold-number"),
                         QStringLiteral("--advance-after"), QStringLiteral("5")},
             QStringList{QStringLiteral("--intake"), QStringLiteral("x"), QStringLiteral("--advance-after"),
                         QStringLiteral("soon")},
             QStringList{QStringLiteral("--intake"), QStringLiteral("x"), QStringLiteral("--advance"),
                         QStringLiteral("y")},
         }) {
        const StandinRun run = standin(args);
        EXPECT_EQ(run.exitCode, 2) << args.join(QLatin1Char(' ')).toStdString();
    }
}

TEST(Standin, IntakeRefusesAndRecordsNothing)
{
    struct Case {
        const char* name;
        QStringList initOptions;
        std::function<void(Request&)> change;
        bool writeRecord = true;
    };
    const std::vector<Case> cases = {
        {"raw ampersand in a value", {}, [](Request& r) { r.buyer = QStringLiteral("A & B"); }},
        {"raw less-than in an attribute",
         {},
         [](Request& r) {
             r.rows = QStringLiteral("<Row BZ=\"\" JE=\"1\" DJ=\"1\" SL=\"1\" JLDW=\"\" HPMC=\"a<b\" XH=\"1\"/>\r\n");
         }},
        {"quote inside an attribute",
         {},
         [](Request& r) {
             r.rows = QStringLiteral("<Row BZ=\"\" JE=\"1\" DJ=\"1\" SL=\"1\" JLDW=\"\" HPMC=\"a\"b\" XH=\"1\"/>\r\n");
         }},
        {"code of another book", {}, [](Request& r) { r.code = QStringLiteral("3100071199"); }},
        {"number not the next free one",
         {},
         [](Request& r) { r.number = r.controlNumber = QStringLiteral("00000002"); }},
        {"the two files disagree", {}, [](Request& r) { r.controlNumber = QStringLiteral("00000009"); }},
        {"position beyond RecNum", {}, [](Request& r) { r.recNum = QStringLiteral("1"); }},
        {"row without its attributes",
         {},
         [](Request& r) { r.rows = QStringLiteral("<Row HPMC=\"a\" XH=\"1\"/>\r\n"); }},
        {"header element missing", {}, [](Request& r) { r.contract.clear(); }},
        {"no enabled book", {QStringLiteral("--no-enabled-book")}, [](Request&) {}},
        {"used-up book", {QStringLiteral("--used-up-book")}, [](Request&) {}},
        {"no record file", {}, [](Request&) {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        ASSERT_EQ(standin(QStringList{QStringLiteral("--init"), folder.path()} + c.initOptions).exitCode, 0);
        const QString before = single(folder.path(), QStringLiteral("select group_concat(DQKYH) from FPB_TZ"));
        Request request;
        c.change(request);
        folder.write(QStringLiteral("Config/invoice.xml"), request.control());
        if (c.writeRecord)
            folder.write(QStringLiteral("Config/invoicedata_6.xml"), request.record());

        const StandinRun run = standin({QStringLiteral("--intake"), folder.path()});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(QStringLiteral("拒收开票请求："))) << run.err.toStdString();
        EXPECT_EQ(single(folder.path(), QStringLiteral("select count(*) from issued")), QStringLiteral("0"));
        EXPECT_EQ(single(folder.path(), QStringLiteral("select count(*) from issued_rows")), QStringLiteral("0"));
        EXPECT_EQ(single(folder.path(), QStringLiteral("select group_concat(DQKYH) from FPB_TZ")), before);
        const QString log = logOf(folder);
        EXPECT_EQ(log.count(QStringLiteral("拒收开票请求：")), 1) << log.toStdString();
        EXPECT_TRUE(log.endsWith(QStringLiteral("\r\n")));
    }
}

TEST(Standin, NextNumberKeepsItsWidth)
{
    struct Case {
        QString next;
        QString last;
        QString after; // empty: the book is used up
    };
    const Case cases[] = {
        {QStringLiteral("0099"), QStringLiteral("9999"), QStringLiteral("0100")},
        {QStringLiteral("00000999"), QStringLiteral("00001000"), QStringLiteral("00001000")},
        {QStringLiteral("00001000"), QStringLiteral("00001000"), QString()},
        {QStringLiteral("9999"), QStringLiteral("x"), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.next.toStdString());
        TempFolder folder;
        ASSERT_EQ(standin({QStringLiteral("--init"), folder.path(), QStringLiteral("--next-number"), c.next,
                           QStringLiteral("--last-number"), c.last})
                      .exitCode,
                  0);
        Request request;
        request.number = request.controlNumber = c.next;
        request.writeTo(folder);
        ASSERT_EQ(standin({QStringLiteral("--intake"), folder.path()}).exitCode, 0);
        EXPECT_EQ(single(folder.path(), QStringLiteral("select DQKYH from FPB_TZ where ZTID=3")), c.after);
    }
}

// The tool's own preparation against the stand-in's database and folder: values with markup
// characters reach the stand-in intact.
TEST(Standin, PreparedRequestWithMarkupIsAcceptedAndRecordedExactly)
{
    WriterRig rig;
    ASSERT_EQ(standin({QStringLiteral("--init"), rig.folder.path()}).exitCode, 0);
    rig.data = TIssuingData();
    rig.list.setText(0, ColCustName, QStringLiteral(R"(<A & "B">)"));
    rig.list.setText(0, ColCustPo, QStringLiteral("HT&01"));
    addLines(rig.store, QStringLiteral("XS-2024-001"),
             {{1, QStringLiteral(R"(螺丝 <M8> "A"&B)"), QStringLiteral("10"), QStringLiteral("0.125"),
               QStringLiteral("1.25")},
              {2, QString(), QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1")},
              {3, QStringLiteral("垫圈 >5"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("6")}});
    IssuingDatabase database(rig.kaippath() + QStringLiteral("\\Data\\DB_KP.mdb"), rig.prompter);
    IssuePreparer preparer(database, rig.store, rig.writer, rig.data, rig.clock, rig.prompter, rig.kaippath());

    for (const char* number : {"00000001", "00000002"}) {
        SCOPED_TRACE(number);
        ASSERT_TRUE(preparer.PrepareIssue(rig.list.rows().at(0)))
            << rig.prompter.texts().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(rig.data.DQKYH, QLatin1String(number));
        const StandinRun run = standin({QStringLiteral("--intake"), rig.folder.path()});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    }
    EXPECT_EQ(query(rig.folder.path(), QStringLiteral("select FPHM, FKRMC, HTBH, JE, KPRQ from issued order by id")),
              (QList<QStringList>{{QStringLiteral("00000001"), QStringLiteral(R"(<A - "B">)"), QStringLiteral("HT&01"),
                                   QStringLiteral("1234567.5"), QStringLiteral("20240105 09:03:07")},
                                  {QStringLiteral("00000002"), QStringLiteral(R"(<A - "B">)"), QStringLiteral("HT&01"),
                                   QStringLiteral("1234567.5"), QStringLiteral("20240105 09:03:07")}}));
    EXPECT_EQ(query(rig.folder.path(),
                    QStringLiteral("select XH, HPMC, SL, DJ, JE from issued_rows where FPHM='00000001' order by id")),
              (QList<QStringList>{{QStringLiteral("1"), QStringLiteral(R"(螺丝 <M8> "A"-B)"), QStringLiteral("10"),
                                   QStringLiteral("0.13"), QStringLiteral("1.25")},
                                  {QStringLiteral("3"), QStringLiteral("垫圈 >5"), QStringLiteral("2"),
                                   QStringLiteral("3.00"), QStringLiteral("6.00")}}));
    EXPECT_EQ(single(rig.folder.path(), QStringLiteral("select SKRMC from issued")),
              QStringLiteral("上海澄江进出口贸易有限公司"));
    EXPECT_TRUE(rig.prompter.shown().isEmpty());
}
