#include "app/Clock.h"
#include "doubles/NoStopKey.h"
#include "doubles/RecordingPrompter.h"
#include "platform/StopKey.h"
#include "session/AppSession.h"
#include "store/LocalStore.h"
#include "support/TestSupport.h"
#include "ui/InvoiceListModel.h"
#include "ui/TMainFrm.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QPushButton>
#include <QTableView>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

using namespace corvina;

TEST(MainWindow, StartUpWithBothDatabasesMissingShowsFourBoxesInOrder)
{
    RecordingPrompter prompter;
    FakeClock clock;
    // A folder that does not exist cannot hold the store; kaippath defaults to a Windows path.
    AppSession session({QStringLiteral("/nonexistent-corvina-folder"), {}}, prompter, clock);
    TMainFrm window(session, std::make_unique<NoStopKey>());
    const auto shown = prompter.shown();
    ASSERT_EQ(shown.size(), 4);
    EXPECT_TRUE(shown[0].text.startsWith(QStringLiteral("连接错误:")));
    EXPECT_EQ(shown[0].kind, MessageBoxKind::Error);
    EXPECT_EQ(shown[0].owner, BoxOwner::Application);
    EXPECT_EQ(shown[1].text, QStringLiteral("数据库连接错误，请检查配置！"));
    EXPECT_EQ(shown[1].kind, MessageBoxKind::YesNo);
    EXPECT_EQ(shown[1].owner, BoxOwner::MainWindow);
    EXPECT_TRUE(shown[2].text.startsWith(QStringLiteral("连接错误:")));
    EXPECT_TRUE(shown[2].text.contains(QStringLiteral("eTax@SH WSKP")));
    EXPECT_EQ(shown[3].text, QStringLiteral("开票软件数据库连接错误，请检查配置！"));
    EXPECT_EQ(shown[3].kind, MessageBoxKind::YesNo);
    // The pickers hold the start-up time.
    EXPECT_EQ(window.wwDBDateTimePicker1->dateTime(), clock.now());
    EXPECT_EQ(window.wwDBDateTimePicker2->dateTime(), clock.now());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Corvina-出口发票专用"));
}

TEST(MainWindow, QueryRenumbersUnticksAndMovesTheEndPicker)
{
    test::TempFolder dir;
    RecordingPrompter prompter;
    FakeClock clock(QDateTime(QDate(2024, 3, 5), QTime(10, 0, 0)));
    AppSession session({dir.path(), {}}, prompter, clock);
    TMainFrm window(session, std::make_unique<NoStopKey>());
    prompter.clear(); // the invoicing program's database is missing here: not this test's subject
    for (int i = 1; i <= 3; ++i)
        window.localStore().run(
            {QStringLiteral("insert into invoiceMaster(FCustOrderId,FInDate,FOK) values(?,?,?)"),
             {QStringLiteral("D%1").arg(i), QStringLiteral("2024-03-05 10:0%1").arg(i), QStringLiteral("0")},
             {}});
    window.wwDBDateTimePicker1->setDateTime(QDateTime(QDate(2024, 3, 5), QTime(0, 0)));
    window.wwDBDateTimePicker2->setDateTime(QDateTime(QDate(2024, 3, 5), QTime(10, 2)));
    window.BitBtn1Click();
    EXPECT_EQ(window.invoiceList().rowCount(), 2); // 10:03 is after the end bound
    clock.advance(5 * 60 * 1000);
    EXPECT_EQ(window.wwDBDateTimePicker2->dateTime(), QDateTime(QDate(2024, 3, 5), QTime(10, 0)));
    window.invoiceList().setChecked(0, true);
    window.BitBtn1Click(); // the end picker moved to the previous query's time... which was 10:00
    EXPECT_EQ(window.invoiceList().rowCount(), 0);
    window.BitBtn1Click(); // ...and now to 10:05: all three, numbered from 1, unticked
    ASSERT_EQ(window.invoiceList().rowCount(), 3);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(window.invoiceList().text(r, ColNumber), QString::number(r + 1));
        EXPECT_FALSE(window.invoiceList().isChecked(r));
    }
    // State box typed to match no entry: the value is empty, nothing is listed.
    window.wwDBComboBox1->setEditText(QStringLiteral("已开"));
    EXPECT_EQ(window.stateValue(), QString());
    window.BitBtn1Click();
    EXPECT_EQ(window.invoiceList().rowCount(), 0);
    window.wwDBComboBox1->setEditText(QStringLiteral("已开发票"));
    EXPECT_EQ(window.stateValue(), QStringLiteral("1"));
    EXPECT_TRUE(prompter.shown().isEmpty());
}

TEST(MainWindow, ListShowsCheckBoxesAndSeventeenColumnsNotEditable)
{
    InvoiceListModel model;
    std::vector<InvoiceRow> rows(2);
    rows[1].text(ColOrderId) = QStringLiteral("D2");
    model.replaceRows(rows);
    EXPECT_EQ(model.columnCount(), 17);
    EXPECT_EQ(model.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("销售单据号"));
    EXPECT_TRUE(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(model.flags(model.index(0, 3)) & Qt::ItemIsEditable);
    EXPECT_TRUE(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(model.isChecked(1));
    EXPECT_FALSE(model.setData(model.index(1, 3), QStringLiteral("x"), Qt::EditRole));
    EXPECT_EQ(model.data(model.index(1, 3), Qt::DisplayRole).toString(), QStringLiteral("D2"));
}

TEST(MainWindow, StopKeyThatCannotBeTakenIsReportedFirstAndStartUpGoesOn)
{
    // Another holder has F10 (or there is no window system to take it from).
    const std::unique_ptr<StopKey> holder = createPlatformStopKey();
    std::atomic<bool> holderFlag{true};
    RegisterStopKey(*holder, holderFlag);
    test::TempFolder dir;
    RecordingPrompter prompter;
    FakeClock clock;
    {
        AppSession session({dir.path(), {}}, prompter, clock);
        TMainFrm window(session);
        const auto shown = prompter.shown();
        ASSERT_GE(shown.size(), 1);
        EXPECT_EQ(shown[0].type, RecordingPrompter::Type::Plain);
        EXPECT_EQ(shown[0].text, QStringLiteral("注册F10失败"));
        EXPECT_TRUE(window.localStore().isOpen()); // start-up went on
    }
    ReleaseStopKey(*holder);
}
