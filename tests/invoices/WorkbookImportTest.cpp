#include "ImportTestEnv.h"

#include <QDir>
#include <gtest/gtest.h>
#include <thread>
#include <tuple>
#include <vector>

using namespace corvina;
using test::ImportEnv;

namespace {

const QString kChecking = QStringLiteral("开始处理EXCEL文件数据的正确性");
const QString kDone = QStringLiteral("EXCEL文件处理完成");
QString count(int n)
{
    return QStringLiteral("该EXCEL文件一共含%1张发票!").arg(n);
}
QString stored(const QString& id)
{
    return id + QStringLiteral("该销售单据的数据正确，处理成功");
}
QString present(const QString& id)
{
    return id + QStringLiteral("该销售单据的数据已有记录，放弃处理");
}
QString split(const QString& id, const char* first, const char* second, int places = 2)
{
    return id + QStringLiteral("该销售单据的数据分在第%1行和第%2行%3，不相连，整张放弃处理")
                    .arg(QLatin1String(first), QLatin1String(second),
                         places > 2 ? QStringLiteral("等%1处").arg(places) : QString());
}

} // namespace

TEST(WorkbookImport, LogBoxesAndStoredDocumentsPerWorkbook)
{
    struct Case {
        const char* file;
        QStringList log;
        QStringList ids; // stored, in order
        QString failure; // the error box after "连接错误:", empty when none
    } cases[] = {
        {"captions_only.xlsx", {kChecking, count(0), kDone}, {}, {}},
        {"no_sheet1.xlsx", {kDone}, {}, QStringLiteral("工作簿中没有名为“sheet1”的工作表（现有工作表：Data）")},
        {"gaps.xlsx", {kChecking, count(2), stored("1001"), stored("1002"), kDone}, {"1001", "1002"}, {}},
        {"repeat.xlsx", {kChecking, count(2), split("1001", "2", "4"), stored("1002"), kDone}, {"1002"}, {}},
        {"split.xlsx",
         {kChecking, count(6), split("S1", "2-3", "5-6"), stored("S2"), split("S3", "7", "9", 3), stored("S4"), kDone},
         {"S2", "S4"},
         {}},
        {"numbers.xlsx",
         {kChecking, count(6), stored("1001"), stored("a1"), stored("A1"), stored("2001"), stored("1001.5"),
          stored(QStringLiteral("\u30003001")), kDone},
         {"1001", "a1", "A1", "2001", "1001.5", QStringLiteral("\u30003001")},
         {}},
        {"amounts.xlsx",
         {kChecking, count(4), stored("N1"), stored("N2"), kDone},
         {"N1", "N2"},
         QStringLiteral("第6行N列的金额“abc”不是数字")},
        {"bad_quantity.xlsx",
         {kChecking, count(3), stored("Q1"), kDone},
         {"Q1"},
         QStringLiteral("销售单据Q2第4行明细的数量“1,000”不是数字")},
        {"formulas.xlsx",
         {kChecking, count(2), kDone},
         {},
         QStringLiteral(
             "单元格N2是公式，但文件里没有它的计算结果（文件不是由EXCEL或WPS保存的），请用EXCEL打开并保存后再导入")},
        {"formulas.xls", {kChecking, count(2), stored("F1"), stored("F2"), kDone}, {"F1", "F2"}, {}},
        // Infinities and not-a-numbers are no numbers, wherever they come from.
        {"nonfinite_inf.xlsx",
         {kChecking, count(2), stored("I1"), kDone},
         {"I1"},
         QStringLiteral("第3行N列的金额“inf”不是数字")},
        {"nonfinite_nan.xlsx",
         {kChecking, count(2), stored("I1"), kDone},
         {"I1"},
         QStringLiteral("第3行N列的金额“nan”不是数字")},
        {"nonfinite_text.xlsx",
         {kChecking, count(2), stored("I1"), kDone},
         {"I1"},
         QStringLiteral("第3行N列的金额“1e999”不是数字")},
        {"nonfinite_sum.xlsx",
         {kChecking, count(2), stored("I1"), kDone},
         {"I1"},
         QStringLiteral("销售单据I2到第4行的金额合计超出数值范围")},
        {"nonfinite_quantity.xlsx",
         {kChecking, count(2), stored("I1"), kDone},
         {"I1"},
         QStringLiteral("销售单据I2第3行明细的数量“inf”不是数字")},
        {"nonfinite_product.xlsx",
         {kChecking, count(2), stored("I1"), kDone},
         {"I1"},
         QStringLiteral("销售单据I2第3行明细的数量与单价相乘超出数值范围")},
        // A number holding "%1" stays as it is in the message.
        {"placeholders.xlsx",
         {kChecking, count(1), kDone},
         {},
         QStringLiteral("销售单据%1%2第2行明细的数量“x”不是数字")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ImportEnv env;
        EXPECT_TRUE(env.import(QString::fromLatin1(c.file)));
        EXPECT_EQ(env.log(), c.log);
        EXPECT_EQ(env.storedIds(), c.ids);
        const auto shown = env.prompter.shown();
        if (c.failure.isEmpty()) {
            EXPECT_TRUE(shown.isEmpty()) << env.prompter.texts().join(QLatin1Char('\n')).toStdString();
        } else {
            ASSERT_EQ(shown.size(), 1);
            EXPECT_EQ(shown[0].text, QStringLiteral("连接错误:") + c.failure);
            EXPECT_EQ(shown[0].kind, MessageBoxKind::Error);
            EXPECT_EQ(shown[0].owner, BoxOwner::Application);
        }
    }
}

TEST(WorkbookImport, DocumentContentFromCellsOfEveryKind)
{
    // The same workbook saved by other programs as .xls (BIFF8 and BIFF5), .xlsx, .ods and an XML
    // spreadsheet: formula results, dates and truth values read alike.
    for (const char* file :
         {"formulas.xls", "formulas_calculated.xlsx", "formulas.ods", "formulas-95.xls", "formulas.xml"}) {
        SCOPED_TRACE(file);
        ImportEnv env;
        env.import(QString::fromLatin1(file));
        const Rows f1 = env.header(QStringLiteral("F1"));
        ASSERT_EQ(f1.count(), 1);
        EXPECT_EQ(f1.value(0, QStringLiteral("FNoTaxSum")), QStringLiteral("207.50"));
        EXPECT_EQ(f1.value(0, QStringLiteral("FCustCX")), QStringLiteral("2024-03-05;2024-03-05 14:07:09"));
        EXPECT_EQ(f1.value(0, QStringLiteral("FCustPo")), QStringLiteral("HT1;HT2"));
        EXPECT_EQ(f1.value(0, QStringLiteral("FMM1")), QStringLiteral("TRUE备注"));
        EXPECT_EQ(env.header(QStringLiteral("F2")).value(0, QStringLiteral("FCustPo")), QStringLiteral("TRUE"));
        const Rows lines = env.lines(QStringLiteral("F1"));
        ASSERT_EQ(lines.count(), 2);
        EXPECT_EQ(lines.value(0, QStringLiteral("FSum")), QStringLiteral("7.5000"));
        EXPECT_EQ(lines.value(1, QStringLiteral("FCount")), QStringLiteral("2"));
        EXPECT_EQ(lines.value(1, QStringLiteral("FPrice")), QStringLiteral("100"));
    }
}

TEST(WorkbookImport, MergeRulesFollowTheFlags)
{
    struct Case {
        const char* name;
        MergeSettings merge;
        QString po, outport, acc, contract, cx, vf, remark;
    };
    MergeSettings all;
    MergeSettings htbhOff = all;
    htbhOff.HTBH = QStringLiteral("0");
    MergeSettings distinct = all;
    distinct.KPBZ_del_XT = QStringLiteral("1");
    MergeSettings remarkOff = all;
    remarkOff.KPBZ = QStringLiteral("0");
    MergeSettings notExactlyOne = all;
    notExactlyOne.HTBH = QStringLiteral("Y");
    notExactlyOne.CKTZS = QStringLiteral("2");
    notExactlyOne.FHTZS = QStringLiteral(" 1");
    const Case cases[] = {
        {"defaults", all, "HT1;HT2", "HT12", "", "G1;G2", "H1;H2", "I1;I2", "x;y;x"},
        {"HTBH off", htbhOff, "HT1", "HT12", "", "G1;G2", "H1;H2", "I1;I2", "x;y;x"},
        {"remarks without repeats", distinct, "HT1;HT2", "HT12", "", "G1;G2", "H1;H2", "I1;I2", "x;y"},
        {"remarks off", remarkOff, "HT1;HT2", "HT12", "", "G1;G2", "H1;H2", "I1;I2", "x"},
        {"flags other than 1", notExactlyOne, "HT1", "HT12", "", "G1", "H1;H2", "I1;I2", "x;y;x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImportEnv env(c.merge);
        env.import(QStringLiteral("merge.xlsx"));
        const Rows h = env.header(QStringLiteral("M1"));
        ASSERT_EQ(h.count(), 1);
        EXPECT_EQ(h.value(0, QStringLiteral("FCustPo")), c.po);
        EXPECT_EQ(h.value(0, QStringLiteral("FCustOutportNo")), c.outport);
        EXPECT_EQ(h.value(0, QStringLiteral("FCustAcc")), c.acc);
        EXPECT_EQ(h.value(0, QStringLiteral("FCustContractNo")), c.contract);
        EXPECT_EQ(h.value(0, QStringLiteral("FCustCX")), c.cx);
        EXPECT_EQ(h.value(0, QStringLiteral("FCustVF")), c.vf);
        EXPECT_EQ(h.value(0, QStringLiteral("FMM1")), c.remark);
        // Taken from the first row whatever the flags.
        EXPECT_EQ(h.value(0, QStringLiteral("FCustName")), QStringLiteral("甲公司"));
        EXPECT_EQ(h.value(0, QStringLiteral("FCustSinature")), QStringLiteral("李四"));
        EXPECT_EQ(h.value(0, QStringLiteral("FNoTaxSum")), QStringLiteral("209.50"));
        EXPECT_EQ(h.value(0, QStringLiteral("FOK")), QStringLiteral("0"));
        const Rows lines = env.lines(QStringLiteral("M1"));
        ASSERT_EQ(lines.count(), 4);
        const char* sums[] = {"7.5000", "200.0000", "2.0000", "1.0000"};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(lines.value(i, QStringLiteral("FNo")), QString::number(i + 1));
            EXPECT_EQ(lines.value(i, QStringLiteral("FSum")), QString::fromLatin1(sums[i]));
        }
    }
}

TEST(WorkbookImport, StripTrailingSeparator)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {{"", ""}, {"A;B;;", "A;B"}, {"A;B", "A;B"}, {";;;", ""}, {";A", ";A"}};
    for (const auto& c : cases)
        EXPECT_EQ(StripTrailingSeparator(QString::fromLatin1(c.in), QLatin1Char(';')), QString::fromLatin1(c.out))
            << c.in;
}

TEST(WorkbookImport, DocumentNumbersAndAmountsAsRead)
{
    ImportEnv env;
    env.import(QStringLiteral("numbers.xlsx"));
    // " 1001 " and "1001\t" are one document of two lines.
    EXPECT_EQ(env.lines(QStringLiteral("1001")).count(), 2);
    ImportEnv amounts;
    amounts.import(QStringLiteral("amounts.xlsx"));
    // 10, an empty cell and the text 2.5.
    EXPECT_EQ(amounts.header(QStringLiteral("N1")).value(0, QStringLiteral("FNoTaxSum")), QStringLiteral("12.50"));
    EXPECT_EQ(amounts.lines(QStringLiteral("N3")).count(), 0);
    // The document that came back after an empty row is refused whole: no part of it is stored.
    ImportEnv repeat;
    repeat.import(QStringLiteral("repeat.xlsx"));
    EXPECT_EQ(repeat.lines(QStringLiteral("1001")).count(), 0);
    EXPECT_EQ(repeat.header(QStringLiteral("1001")).count(), 0);
}

TEST(WorkbookImport, AgainKeepsTheFirstImportAndCompletesAMendedDocument)
{
    ImportEnv env;
    env.clock.set(QDateTime(QDate(2024, 3, 5), QTime(9, 3, 59)));
    env.import(QStringLiteral("bad_quantity.xlsx"));
    // The document whose second line failed left nothing behind.
    EXPECT_EQ(env.header(QStringLiteral("Q2")).count(), 0);
    EXPECT_EQ(env.lines(QStringLiteral("Q2")).count(), 0);

    env.clock.set(QDateTime(QDate(2024, 3, 6), QTime(10, 0)));
    QFile::remove(env.settings.logPath());
    env.prompter.clear();
    env.import(QStringLiteral("bad_quantity_fixed.xlsx"));
    EXPECT_EQ(env.log(), (QStringList{kChecking, count(3), present("Q1"), stored("Q2"), stored("Q3"), kDone}));
    EXPECT_TRUE(env.prompter.shown().isEmpty());
    EXPECT_EQ(env.lines(QStringLiteral("Q2")).count(), 2);
    EXPECT_EQ(env.header(QStringLiteral("Q1")).value(0, QStringLiteral("FInDate")), QStringLiteral("2024-03-05 09:03"));
    EXPECT_EQ(env.header(QStringLiteral("Q2")).value(0, QStringLiteral("FInDate")), QStringLiteral("2024-03-06 10:00"));
}

TEST(WorkbookImport, FailureAfterSeveralCommittedGroupsKeepsEveryEarlierDocument)
{
    ImportEnv env;
    std::vector<std::pair<int, int>> progress;
    WorkbookImport workbookImport(env.settings, env.prompter, env.clock, *env.store);
    workbookImport.setProgress([&](int done, int total) { progress.emplace_back(done, total); });
    EXPECT_TRUE(env.import(QStringLiteral("many.xlsx"), &workbookImport));
    EXPECT_TRUE(workbookImport.lastRunFailed());
    const QStringList ids = env.storedIds();
    ASSERT_EQ(ids.size(), 400);
    EXPECT_EQ(ids.last(), QStringLiteral("D400"));
    EXPECT_EQ(env.lines(QStringLiteral("D401")).count(), 0);
    EXPECT_EQ(env.store->transactionDepth(), 0);
    EXPECT_EQ(env.prompter.texts(), QStringList{QStringLiteral("连接错误:销售单据D401第803行明细的单价“x”不是数字")});
    ASSERT_EQ(progress.size(), 401u);
    EXPECT_EQ(progress.front(), std::make_pair(0, 450));
    EXPECT_EQ(progress.back(), std::make_pair(400, 450));
}

TEST(WorkbookImport, TwoDesksImportingOverlappingWorkbooksInOppositeOrdersBothFinish)
{
    // 600 documents, one desk's workbook in the other's reverse order, imported at once on one
    // store: each desk holds a group of documents to its commit, so locks taken in workbook order
    // would meet head on; both runs finish, and every document is stored once, whole.
    ImportEnv env;
    const int count = 600;
    QByteArray forward = "销售单据号,客户名称,,,,开票人,,,,,品名,数量,单价,金额\n";
    QByteArray backward = forward;
    auto lines = [](int d) {
        QByteArray text;
        for (int line = 1; line <= 2; ++line)
            text += QStringLiteral("T%1,客户,,,,张三,,,,,货物,%2,3,%3\n")
                        .arg(d, 4, 10, QLatin1Char('0'))
                        .arg(line)
                        .arg(line * 3)
                        .toUtf8();
        return text;
    };
    for (int d = 1; d <= count; ++d) {
        forward += lines(d);
        backward += lines(count + 1 - d);
    }
    env.dir.write(QStringLiteral("forward.csv"), forward);
    env.dir.write(QStringLiteral("backward.csv"), backward);

    struct Desk {
        AppSettings settings;
        RecordingPrompter prompter;
        std::unique_ptr<LocalStore> store;
        bool failed = true;
    };
    Desk desks[2];
    std::vector<std::thread> runs;
    for (int i = 0; i < 2; ++i) {
        Desk& desk = desks[i];
        desk.settings = env.settings;
        desk.settings.AppFolder = env.dir.path() + QStringLiteral("desk%1/").arg(i);
        QDir().mkpath(desk.settings.AppFolder);
        desk.store = std::make_unique<LocalStore>(env.settings.storeLocation(), desk.prompter);
        ASSERT_TRUE(desk.store->open());
        const QString file = env.dir.file(i == 0 ? QStringLiteral("forward.csv") : QStringLiteral("backward.csv"));
        runs.emplace_back([&desk, &env, file] {
            WorkbookImport run(desk.settings, desk.prompter, env.clock, *desk.store);
            run.ImportWorkbook(file, QStringLiteral("sheet1"), desk.settings.logPath());
            desk.failed = run.lastRunFailed();
        });
    }
    for (std::thread& t : runs)
        t.join();
    int stored = 0;
    for (Desk& desk : desks) {
        EXPECT_FALSE(desk.failed) << desk.prompter.texts().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(desk.prompter.texts(), QStringList());
        QFile log(desk.settings.logPath());
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        stored += static_cast<int>(gbkDecode(log.readAll()).count(QStringLiteral("该销售单据的数据正确，处理成功")));
    }
    EXPECT_EQ(stored, count); // each document stored by one desk, logged as present by the other
    EXPECT_EQ(env.storedIds().size(), count);
    EXPECT_EQ(env.store->select({QStringLiteral("select count(*) as n from invoiceDetail"), {}, {}})
                  .value(0, QStringLiteral("n"))
                  .toInt(),
              2 * count);
}

TEST(WorkbookImport, ABadDocumentInsideAGroupKeepsTheOnesBeforeIt)
{
    // The group is written whole; the fifth document's price is no number, so it is taken back and
    // stored again a document at a time: the four before it stay, logged, and the reason shows.
    ImportEnv env;
    QByteArray text = "销售单据号,客户名称,,,,开票人,,,,,品名,数量,单价,金额\n";
    for (int d = 1; d <= 8; ++d)
        text += QStringLiteral("G%1,客户,,,,张三,,,,,货物,2,%2,6\n")
                    .arg(d)
                    .arg(d == 5 ? QStringLiteral("x") : QStringLiteral("3"))
                    .toUtf8();
    env.dir.write(QStringLiteral("group.csv"), text);
    WorkbookImport run(env.settings, env.prompter, env.clock, *env.store);
    EXPECT_TRUE(run.ImportWorkbook(env.dir.file(QStringLiteral("group.csv")), QStringLiteral("sheet1"),
                                   env.settings.logPath()));
    EXPECT_TRUE(run.lastRunFailed());
    EXPECT_EQ(env.storedIds(),
              (QStringList{QStringLiteral("G1"), QStringLiteral("G2"), QStringLiteral("G3"), QStringLiteral("G4")}));
    EXPECT_EQ(env.lines(QStringLiteral("G4")).count(), 1);
    EXPECT_EQ(env.log(), (QStringList{kChecking, count(8), stored(QStringLiteral("G1")), stored(QStringLiteral("G2")),
                                      stored(QStringLiteral("G3")), stored(QStringLiteral("G4")), kDone}));
    EXPECT_EQ(env.prompter.texts(), QStringList{QStringLiteral("连接错误:销售单据G5第6行明细的单价“x”不是数字")});
    EXPECT_EQ(env.store->transactionDepth(), 0);
}

TEST(WorkbookImport, DelimitedTextImportsAsItsWorkbook)
{
    // many.xlsx saved as delimited text by LibreOffice: the same 400 documents stored, the same
    // reason for stopping at D401's price, the same log.
    ImportEnv reference;
    reference.import(QStringLiteral("many.xlsx"));
    const QStringList ids = reference.storedIds();
    ASSERT_EQ(ids.size(), 400);
    for (const char* name : {"many-utf8.csv", "many-semicolon-bom.csv", "many-gbk.txt", "many-utf16.txt"}) {
        SCOPED_TRACE(name);
        ImportEnv env;
        EXPECT_TRUE(env.import(QStringLiteral("../text/") + QLatin1String(name)));
        EXPECT_EQ(env.storedIds(), ids);
        EXPECT_EQ(env.prompter.texts(), reference.prompter.texts());
        EXPECT_EQ(env.log(), reference.log());
        EXPECT_EQ(env.lines(QStringLiteral("D123")).count(), 2);
        EXPECT_EQ(env.header(QStringLiteral("D123")).value(0, QStringLiteral("FCustName")), QStringLiteral("客户"));
    }
}

TEST(WorkbookImport, AFileCutShortStoresTheDocumentsBeforeTheCutAndNoneReachingIt)
{
    // 300 documents of two lines saved by LibreOffice, the file cut inside the last line's
    // numbers: C300 lost its amount and perhaps more lines, so it is not stored; the others are,
    // whole, and the log says where the file ended.
    ImportEnv env;
    EXPECT_TRUE(env.import(QStringLiteral("../old/cut-short-import.xls")));
    EXPECT_EQ(env.prompter.texts(), QStringList());
    const QStringList ids = env.storedIds();
    ASSERT_EQ(ids.size(), 299);
    EXPECT_EQ(ids.last(), QStringLiteral("C299"));
    EXPECT_EQ(env.lines(QStringLiteral("C299")).count(), 2);
    EXPECT_EQ(env.header(QStringLiteral("C300")).count(), 0);
    EXPECT_EQ(env.lines(QStringLiteral("C300")).count(), 0);
    const QStringList log = env.log();
    ASSERT_GE(log.size(), 4);
    EXPECT_EQ(log[1], count(300));
    EXPECT_EQ(log[log.size() - 4], stored(QStringLiteral("C299")));
    EXPECT_EQ(log[log.size() - 3],
              QStringLiteral("C300该销售单据的数据到文件提前结束处为止，可能不完整，整张放弃处理"));
    EXPECT_TRUE(log[log.size() - 2].startsWith(QStringLiteral("文件提前结束：工作表 Sheet1")))
        << log[log.size() - 2].toStdString();
    EXPECT_EQ(log.last(), kDone);
}

TEST(WorkbookImport, ButtonFlowDeletesTheLogAsksForTheFileAndOpensTheLog)
{
    ImportEnv env;
    test::TempFolder other;
    QStringList opened;
    auto openLog = [&](const QString& path) { opened << path; };
    WorkbookImport workbookImport(env.settings, env.prompter, env.clock, *env.store);

    env.dir.write(QStringLiteral("InputLogFile.log"), "old\r\n");
    workbookImport.importFromDialog(openLog); // cancelled
    EXPECT_FALSE(QFile::exists(env.settings.logPath()));
    EXPECT_EQ(env.prompter.lastOpenFilter(), QStringLiteral("*.xls|*.xls|*.xlsx|*.xlsx|*.csv|*.csv|*.txt|*.txt"));
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(env.storedIds().isEmpty());

    env.prompter.queueFile(ImportEnv::fixture(QStringLiteral("gaps.xlsx")));
    workbookImport.importFromDialog(openLog);
    EXPECT_EQ(opened, QStringList{env.settings.logPath()});
    EXPECT_EQ(env.log().size(), 5);

    // The failure path still ends in an opened log.
    env.prompter.queueFile(env.dir.file(QStringLiteral("missing.xlsx")));
    workbookImport.importFromDialog(openLog);
    EXPECT_EQ(opened.size(), 2);
    EXPECT_EQ(env.log(), QStringList{kDone});
}

TEST(WorkbookImport, NoReaderShowsTheOfficeMessageAndLogsNothing)
{
    ImportEnv env;
    WorkbookImport workbookImport(env.settings, env.prompter, env.clock, *env.store);
    workbookImport.setOpener({});
    EXPECT_FALSE(env.import(QStringLiteral("gaps.xlsx"), &workbookImport));
    ASSERT_EQ(env.prompter.shown().size(), 1);
    EXPECT_EQ(env.prompter.shown()[0].text, QStringLiteral("无法打开EXCEL文件，请确定电脑安装了OFFICE软件!"));
    EXPECT_EQ(env.prompter.shown()[0].kind, MessageBoxKind::Info);
    EXPECT_EQ(env.prompter.shown()[0].owner, BoxOwner::MainWindow);
    EXPECT_FALSE(QFile::exists(env.settings.logPath()));
}

TEST(WorkbookImport, CountsRowsReadAndDocumentsStoredAfterEachDocument)
{
    using Counts = std::tuple<int, int, int>; // rows read, stored, already present
    struct Case {
        const char* file;
        bool twice; // the second import is observed: everything is already present
        std::vector<Counts> expected;
    } cases[] = {
        {"gaps.xlsx", false, {{2, 1, 0}, {3, 2, 0}}},
        {"gaps.xlsx", true, {{2, 0, 1}, {3, 0, 2}}},
        // A number whose rows stand in two places is read both times and stored neither time.
        {"repeat.xlsx", false, {{1, 0, 0}, {2, 0, 0}, {3, 1, 0}}},
        {"captions_only.xlsx", false, {}},
    };
    for (const Case& c : cases) {
        ImportEnv env;
        if (c.twice)
            env.import(QString::fromLatin1(c.file));
        std::vector<Counts> seen;
        WorkbookImport workbookImport(env.settings, env.prompter, env.clock, *env.store);
        workbookImport.setCountsObserver(
            [&](const ImportCounts& n) { seen.emplace_back(n.rowsRead, n.documentsStored, n.alreadyPresent); });
        EXPECT_TRUE(env.import(QString::fromLatin1(c.file), &workbookImport));
        EXPECT_EQ(seen, c.expected) << c.file << (c.twice ? " (again)" : "");
    }

    // A failure in the middle: the last counts are those of the documents before it.
    ImportEnv env;
    ImportCounts last;
    WorkbookImport workbookImport(env.settings, env.prompter, env.clock, *env.store);
    workbookImport.setCountsObserver([&](const ImportCounts& n) { last = n; });
    env.import(QStringLiteral("many.xlsx"), &workbookImport);
    EXPECT_EQ(std::make_tuple(last.rowsRead, last.documentsStored, last.alreadyPresent), std::make_tuple(800, 400, 0));
}
