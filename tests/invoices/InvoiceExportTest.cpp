#include "invoices/InvoiceExport.h"

#include "app/Clock.h"
#include "doubles/RecordingPrompter.h"
#include "invoices/InvoiceList.h"
#include "spreadsheet/XlsxTemplateFiller.h"
#include "support/OpenpyxlReader.h"

#include <QJsonArray>
#include <gtest/gtest.h>

using namespace corvina;
using namespace corvina::test;
using Shown = RecordingPrompter::Shown;
using Type = RecordingPrompter::Type;

namespace {

const QString kShippedTemplate =
    QStringLiteral(CORVINA_SOURCE_DIR "/resources/") + QStringLiteral("发票导出数据格式.xlsx");

// Ten listed documents; the texts say which document and column they belong to.
std::vector<InvoiceRow> tenRows()
{
    std::vector<InvoiceRow> rows(10);
    for (int i = 0; i < 10; ++i) {
        InvoiceRow& row = rows[static_cast<size_t>(i)];
        for (int col = 1; col <= kInvoiceTextColumns; ++col)
            row.text(col) = QStringLiteral("d%1-c%2").arg(i + 1).arg(col);
        row.text(ColNumber) = QString::number(i + 1);
        row.text(ColInDate) = QStringLiteral("2024-03-0%1 09:03").arg(i % 9 + 1);
        row.text(ColNoTaxSum) = QStringLiteral("%1.50").arg(1000 * (i + 1));
        row.text(ColState) = i % 2 ? QStringLiteral("已开票") : QStringLiteral("未开票");
    }
    rows[4].text(ColInvCode).clear(); // not issued yet: no code, no number
    rows[4].text(ColInvNumber).clear();
    return rows;
}

struct Fixture {
    TempFolder app;
    TempFolder out;
    RecordingPrompter prompter;
    FakeClock clock;
    PlainInvoiceList list;
    InvoiceExport exporter{prompter, clock, app.path()};

    Fixture(bool withTemplate = true)
    {
        if (withTemplate)
            app.write(QStringLiteral("发票导出数据格式.xlsx"), fileBytes(kShippedTemplate));
        list.replaceRows(tenRows());
    }
    void tick(std::initializer_list<int> rows)
    {
        for (int r : rows)
            list.setChecked(r, true);
    }
    QStringList boxTexts() const { return prompter.texts(); }
};

} // namespace

// The 2nd, 5th and 9th of ten rows land in worksheet rows 2 to 4, columns A to O holding list
// columns 2 to 16; the template's captions stay. Linux only: read back with openpyxl.
TEST(InvoiceExport, LinuxOnly_TickedRowsFillConsecutiveWorksheetRows)
{
    Fixture f;
    f.tick({1, 4, 8});
    const QString target = f.out.file(QStringLiteral("导出.xlsx"));
    f.prompter.queueFile(target);

    EXPECT_EQ(f.exporter.run(f.list), InvoiceExport::Outcome::Exported);
    EXPECT_EQ(f.boxTexts(), QStringList{QStringLiteral("发票数据导出成功")});

    QString error;
    const QJsonObject book = readWithOpenpyxl(target, &error);
    ASSERT_FALSE(book.isEmpty()) << error.toStdString();
    const QJsonObject cells =
        book.value(QStringLiteral("sheets")).toArray().at(0).toObject().value(QStringLiteral("cells")).toObject();
    const QJsonObject templateCells = readWithOpenpyxl(kShippedTemplate)
                                          .value(QStringLiteral("sheets"))
                                          .toArray()
                                          .at(0)
                                          .toObject()
                                          .value(QStringLiteral("cells"))
                                          .toObject();
    QJsonObject expected = templateCells;
    const int listed[] = {1, 4, 8};
    for (int k = 0; k < 3; ++k)
        for (int n = 1; n <= 15; ++n) {
            const QString text = f.list.text(listed[k], n + 1);
            if (!text.isEmpty())
                expected.insert(XlsxTemplateFiller::columnName(n) + QString::number(k + 2),
                                QStringLiteral("s:") + text);
        }
    EXPECT_EQ(cells, expected);
    // The row of the not yet issued document: state text, and no code or number.
    EXPECT_EQ(cells.value(QStringLiteral("O3")).toString(), QStringLiteral("s:未开票"));
    EXPECT_FALSE(cells.contains(QStringLiteral("C3")));
    EXPECT_FALSE(cells.contains(QStringLiteral("D3")));
}

// Every way the run stops early: its one message (or none), and what is left on disk.
TEST(InvoiceExport, StopsWithItsMessageAndLeavesFilesAlone)
{
    const QByteArray existing("an earlier export the clerk keeps");
    enum class Target { Fresh, Existing, InMissingFolder, TheTemplate };
    struct Case {
        const char* name;
        bool emptyList;
        bool ticked;
        bool withTemplate;
        bool brokenTemplate;
        Target target;
        bool chooseFile;
        int answer;
        InvoiceExport::Outcome outcome;
        QList<Shown> boxes;
        bool fileExistsAfter;
    };
    const Shown nothingListed{Type::Box, MessageBoxKind::Info, BoxOwner::MainWindow, QStringLiteral("提示"),
                              QStringLiteral("请先查询选择发票数据，再进行数据导出!")};
    const Shown nothingTicked{Type::Box, MessageBoxKind::Info, BoxOwner::MainWindow, QStringLiteral("提示"),
                              QStringLiteral("请先选中发票数据，再进行数据导出!")};
    const Shown missing{Type::Plain, MessageBoxKind::Info, BoxOwner::Application, QString(),
                        QStringLiteral("Excel源文件已损坏或不存在")};
    const Shown replace{Type::AskPlain, MessageBoxKind::YesNo, BoxOwner::Application, QStringLiteral("提示"),
                        QStringLiteral("Excel文件已存在，是否替换")};
    const Shown copyFailed{Type::Plain, MessageBoxKind::Info, BoxOwner::Application, QString(),
                           QStringLiteral("复制文件时发生保护性错误，Excel 如在运行，请先关闭！")};
    const Shown fillFailed{Type::Box, MessageBoxKind::Error, BoxOwner::MainWindow, QStringLiteral("错误"),
                           QStringLiteral("初始化Excel失败，可能没装Excel，或者其他错误。")};
    const Shown done{Type::Box, MessageBoxKind::Info, BoxOwner::MainWindow, QStringLiteral("提示"),
                     QStringLiteral("发票数据导出成功")};
    using O = InvoiceExport::Outcome;
    const Case cases[] = {
        {"empty list", true, false, true, false, Target::Fresh, true, 0, O::NothingListed, {nothingListed}, false},
        {"nothing ticked", false, false, true, false, Target::Fresh, true, 0, O::NothingTicked, {nothingTicked}, false},
        {"dialog cancelled", false, true, true, false, Target::Fresh, false, 0, O::Cancelled, {}, false},
        {"template missing", false, true, false, false, Target::Fresh, true, 0, O::NotCopied, {missing}, false},
        {"replacement refused",
         false,
         true,
         true,
         false,
         Target::Existing,
         true,
         ButtonCode::No,
         O::NotCopied,
         {replace},
         true},
        {"replacement accepted",
         false,
         true,
         true,
         false,
         Target::Existing,
         true,
         ButtonCode::Yes,
         O::Exported,
         {replace, done},
         true},
        {"copy fails", false, true, true, false, Target::InMissingFolder, true, 0, O::NotCopied, {copyFailed}, false},
        {"onto the template itself",
         false,
         true,
         true,
         false,
         Target::TheTemplate,
         true,
         ButtonCode::Yes,
         O::NotCopied,
         {replace, copyFailed},
         true},
        {"template not a workbook", false, true, true, true, Target::Fresh, true, 0, O::Failed, {fillFailed}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f(c.withTemplate);
        if (c.emptyList)
            f.list.replaceRows({});
        if (c.ticked)
            f.tick({0});
        if (c.brokenTemplate)
            f.app.write(QStringLiteral("发票导出数据格式.xlsx"), QByteArray("not a workbook"));
        const QByteArray templateBytes = fileBytes(f.exporter.templatePath());
        QString target = f.out.file(QStringLiteral("x.xlsx"));
        if (c.target == Target::Existing)
            f.out.write(QStringLiteral("x.xlsx"), existing);
        if (c.target == Target::InMissingFolder)
            target = f.out.file(QStringLiteral("no/such/folder/x.xlsx"));
        if (c.target == Target::TheTemplate)
            target = f.exporter.templatePath();
        if (c.chooseFile)
            f.prompter.queueFile(target);
        if (c.answer)
            f.prompter.queueAnswer(c.answer);

        EXPECT_EQ(f.exporter.run(f.list), c.outcome);
        QList<Shown> boxes;
        for (const Shown& s : f.prompter.shown())
            if (s.type != Type::SaveDialog)
                boxes << s;
        ASSERT_EQ(boxes.size(), c.boxes.size());
        for (int i = 0; i < boxes.size(); ++i) {
            EXPECT_EQ(boxes[i].type, c.boxes[i].type);
            EXPECT_EQ(boxes[i].kind, c.boxes[i].kind);
            EXPECT_EQ(boxes[i].owner, c.boxes[i].owner);
            EXPECT_EQ(boxes[i].title, c.boxes[i].title);
            EXPECT_EQ(boxes[i].text, c.boxes[i].text);
        }
        EXPECT_EQ(QFileInfo::exists(target), c.fileExistsAfter);
        // The template never changes.
        EXPECT_EQ(fileBytes(f.exporter.templatePath()), templateBytes);
        if (c.outcome == O::Failed) {
            EXPECT_EQ(fileBytes(target), templateBytes); // the copy holds the unchanged template
        }
        if (c.name == std::string("replacement refused")) {
            EXPECT_EQ(fileBytes(target), existing);
        }
        if (c.outcome == O::Exported) {
            EXPECT_NE(fileBytes(target), existing);
        }
    }
}

TEST(InvoiceExport, OffersTheSaveDialogTheSystemsName)
{
    const struct {
        QDateTime at;
        QString name;
    } cases[] = {
        {QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)), QStringLiteral("发票数据导出_20240305140907")},
        {QDateTime(QDate(2013, 12, 31), QTime(0, 59, 1)), QStringLiteral("发票数据导出_20131231000159")},
        {QDateTime(QDate(2025, 1, 2), QTime(23, 0, 45)), QStringLiteral("发票数据导出_20250102234500")},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.tick({0});
        f.clock.set(c.at);
        f.exporter.run(f.list); // cancelled: no file queued
        const SaveDialogRequest request = f.prompter.lastSaveRequest();
        EXPECT_EQ(request.proposedName, c.name);
        EXPECT_EQ(request.filter, QStringLiteral("Excel文件(*.xlsx)|*.xlsx"));
        EXPECT_EQ(request.defaultSuffix, QStringLiteral("xlsx"));
    }
}

// The shipped template carries the list's captions, and LibreOffice opens an export made from it.
// Linux only: openpyxl and LibreOffice.
TEST(InvoiceExport, LinuxOnly_ShippedTemplateOpensInLibreOfficeAfterExport)
{
    const QStringList captions = {QStringLiteral("导入日期"), QStringLiteral("销售单据号"), QStringLiteral("发票代码"),
                                  QStringLiteral("发票号码"), QStringLiteral("客户名称"),   QStringLiteral("总金额"),
                                  QStringLiteral("合同编号"), QStringLiteral("出口通知书"), QStringLiteral("会计编号"),
                                  QStringLiteral("开票人"),   QStringLiteral("发货通知书"), QStringLiteral("出口序号"),
                                  QStringLiteral("核销单号"), QStringLiteral("备注"),       QStringLiteral("状态")};
    const QJsonObject shipped = readWithOpenpyxl(kShippedTemplate);
    const QJsonObject first = shipped.value(QStringLiteral("sheets")).toArray().at(0).toObject();
    for (int n = 1; n <= 15; ++n)
        EXPECT_EQ(first.value(QStringLiteral("cells"))
                      .toObject()
                      .value(XlsxTemplateFiller::columnName(n) + QStringLiteral("1"))
                      .toString(),
                  QStringLiteral("s:") + captions[n - 1]);
    EXPECT_EQ(first.value(QStringLiteral("widths")).toObject().size(), 15);

    Fixture f;
    f.list.setText(2, ColRemark, QStringLiteral("唛头_x000D_照旧, 含逗号"));
    f.list.setText(2, ColInvCode, QStringLiteral("0012"));
    f.tick({2, 3});
    const QString target = f.out.file(QStringLiteral("lo.xlsx"));
    f.prompter.queueFile(target);
    ASSERT_EQ(f.exporter.run(f.list), InvoiceExport::Outcome::Exported);

    const QString csv = convertWithLibreOffice(target);
    ASSERT_FALSE(csv.isEmpty());
    const QStringList lines = csv.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0].trimmed(), captions.join(QLatin1Char(',')));
    EXPECT_TRUE(lines[1].startsWith(f.list.text(2, ColInDate) + QStringLiteral(",d3-c3,0012,")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("\"唛头_x000D_照旧, 含逗号\""))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith(f.list.text(3, ColInDate) + QStringLiteral(",d4-c3,d4-c4,")));
}

// The template is looked for in the application folder, beside the executable, and in the
// installed data folder beside the executable's bin folder, in that order.
TEST(InvoiceExport, TemplateLookedForWhereTheProgramShipsIt)
{
    enum Where { App = 1, Exe = 2, Share = 4 };
    const struct {
        const char* name;
        int present;
        Where found; // 0: none, the application folder's path is given
    } cases[] = {
        {"application folder only", App, App},
        {"beside the executable only", Exe, Exe},
        {"installed data folder only", Share, Share},
        {"executable before data folder", Exe | Share, Exe},
        {"application folder first", App | Exe | Share, App},
        {"nowhere", 0, Where(0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f(false);
        TempFolder install;
        QDir().mkpath(install.file(QStringLiteral("bin")));
        QDir().mkpath(install.file(QStringLiteral("share/corvina")));
        const QString paths[] = {f.app.file(QStringLiteral("发票导出数据格式.xlsx")),
                                 install.file(QStringLiteral("bin/")) + QStringLiteral("发票导出数据格式.xlsx"),
                                 install.file(QStringLiteral("share/corvina/")) +
                                     QStringLiteral("发票导出数据格式.xlsx")};
        for (int i = 0; i < 3; ++i)
            if (c.present & (1 << i)) {
                QFile::copy(kShippedTemplate, paths[i]);
                QFile(paths[i]).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
            }
        f.exporter.setExecutableFolder(install.file(QStringLiteral("bin")));
        const int index = c.found == App ? 0 : c.found == Exe ? 1 : c.found == Share ? 2 : 0;
        EXPECT_EQ(QFileInfo(f.exporter.templatePath()).canonicalFilePath(),
                  c.found ? QFileInfo(paths[index]).canonicalFilePath() : QString());
        if (!c.found) {
            EXPECT_EQ(f.exporter.templatePath(), paths[0]);
        }

        // The export itself goes through with the template found, or stops with its message.
        f.tick({0});
        const QString target = f.out.file(QStringLiteral("导出.xlsx"));
        f.prompter.queueFile(target);
        const InvoiceExport::Outcome outcome = f.exporter.run(f.list);
        EXPECT_EQ(outcome, c.found ? InvoiceExport::Outcome::Exported : InvoiceExport::Outcome::NotCopied);
        EXPECT_EQ(f.boxTexts(), QStringList{c.found ? QStringLiteral("发票数据导出成功")
                                                    : QStringLiteral("Excel源文件已损坏或不存在")});
    }
}
