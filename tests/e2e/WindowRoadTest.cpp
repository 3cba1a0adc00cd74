// The window's own road, the same on X11 under the suite's private server and on Windows (under
// wine in scripts/test-windows): the clerk queries, ticks, presses "发票连开(&S)", answers the
// question, and the window drives the stand-in's real windows through the platform's services.
#include "E2eRig.h"

#include "app/Clock.h"
#include "doubles/RecordingPrompter.h"
#include "issuing/BatchRunController.h"
#include "platform/StopKey.h"
#include "session/AppSession.h"
#include "ui/InvoiceListModel.h"
#include "ui/TMainFrm.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QGuiApplication>
#include <QPushButton>
#include <gtest/gtest.h>

#include <algorithm>

using namespace corvina;
using namespace corvina::test;

namespace {

const QString Start = QStringLiteral("发票连开(&S)");
const QString Asked = QStringLiteral("请确定打印机已经设置好，您是否确定要开始自动填开发票？");

} // namespace

// Each test is a process of its own under CTest, bounded by its timeout: a run that left a thread
// or a hook behind would keep the process from ending after the window closed, and fail here.
TEST(WindowRoad, MainWindowButtonRunsTheBatchThenTheWindowCloses)
{
    const QString platform = QGuiApplication::platformName();
    ASSERT_TRUE(platform == QStringLiteral("xcb") || platform == QStringLiteral("windows"))
        << "no desktop to share with the invoicing program: " << platform.toStdString();
    IssuingRig rig;
    ASSERT_TRUE(rig.ready()) << rig.error().toStdString();
    const QStringList ids = {QStringLiteral("W1"), QStringLiteral("W2"), QStringLiteral("W3")};
    rig.addDocuments(ids);
    const auto standin = startStandin(rig);
    ASSERT_TRUE(standin) << "the stand-in's windows did not come up";

    RecordingPrompter prompter; // answers the start question Yes
    SystemClock clock;
    AppSession session({rig.appFolder(), {}}, prompter, clock);
    auto window = std::make_unique<TMainFrm>(session);
    window->show();
    window->wwDBDateTimePicker1->setDateTime(QDateTime(QDate(2024, 1, 1), QTime(0, 0)));
    window->BitBtn1Click();
    ASSERT_EQ(window->invoiceList().rowCount(), 3);
    for (int r = 0; r < 3; ++r)
        window->invoiceList().setChecked(r, true);
    ASSERT_EQ(prompter.texts(), QStringList()) << "the window said something before the run";

    window->BitBtn4Click();
    EXPECT_EQ(window->BitBtn4->text(), QStringLiteral("停止(&P)"));
    ASSERT_TRUE(waitFor([&] { return !window->batchRun().threadActive() && window->BitBtn4->text() == Start; }, 90000))
        << prompter.texts().join(QLatin1Char('|')).toStdString();

    EXPECT_EQ(prompter.texts(), QStringList{Asked});
    ASSERT_EQ(rig.issued().size(), 3);
    expectStoreMatchesIssued(rig, ids);
    for (int r = 0; r < 3; ++r) {
        EXPECT_FALSE(window->invoiceList().isChecked(r));
        EXPECT_EQ(window->invoiceList().text(r, ColState), QStringLiteral("已开票"));
        EXPECT_EQ(window->invoiceList().text(r, ColInvNumber), rig.issued()[r][1]);
    }

    // Closed as its close box would, then gone: nothing of the run holds it open.
    EXPECT_TRUE(window->close());
    window.reset();
    const QWidgetList left = QApplication::topLevelWidgets();
    EXPECT_TRUE(std::none_of(left.cbegin(), left.cend(), [](const QWidget* w) { return w->isVisible(); }));
}
