// The Win32 window services against the stand-in invoicing program's real Win32 windows, in
// another process, as the tool meets the real invoicing program.
#include "platform/win32/Win32WindowServices.h"
#include "invoicing/InfoBoxes.h"
#include "invoicing/InvoicingWindows.h"
#include "invoicing/WindowAutomation.h"
#include "support/IssuingRig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <windows.h>

using namespace corvina;
using namespace corvina::test;

namespace {

const std::string MainTitle = "eTax@SH 电脑开票";
const std::string DialogTitle = "正常开票 - eTax@SH 电脑开票";
const std::string ToolbarClass = "WindowsForms10.ToolbarWindow32.app3";
const std::string DialogClass = "WindowsForms10.Window.8.app3";
const std::string ButtonClass = "WindowsForms10.BUTTON.app3";

bool waitUntil(const std::function<bool()>& condition, int boundMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > boundMs)
            return false;
        QThread::msleep(10);
    }
    return true;
}

// The stand-in's windows for a rig's folder, ended with the test.
class Standin {
public:
    Standin(const IssuingRig& rig, const QStringList& options)
    {
        m_process.setProgram(QStringLiteral(CORVINA_BIN_DIR "/invoicing-standin"));
        m_process.setArguments(options + QStringList{rig.invoicingFolder()});
        m_process.start();
        m_ready = m_process.waitForStarted(20000) && waitUntil(
                                                         [&] {
                                                             m_process.waitForReadyRead(50);
                                                             m_out += m_process.readAllStandardOutput();
                                                             return m_out.contains("ready");
                                                         },
                                                         30000);
    }
    ~Standin()
    {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
    bool ready() const { return m_ready; }

private:
    QProcess m_process;
    QByteArray m_out;
    bool m_ready = false;
};

void click(WindowServices& w, WindowHandle window, int x, int y, bool send)
{
    const auto point = pointParam(x, y);
    for (unsigned message : {MouseMessage::LeftButtonDown, MouseMessage::LeftButtonUp}) {
        if (send)
            w.sendMouseMessage(window, message, MouseMessage::LeftButtonFlag, point);
        else
            w.postMouseMessage(window, message, MouseMessage::LeftButtonFlag, point);
    }
}

class Win32WindowServicesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(rig.ready()) << rig.error().toStdString();
        standin =
            std::make_unique<Standin>(rig, QStringList{QStringLiteral("--step-delay"), QStringLiteral("300"),
                                                       QStringLiteral("--omit-button"), QStringLiteral("打印设置")});
        ASSERT_TRUE(standin->ready()) << "the stand-in did not start";
        main = windows.findTopLevel(std::nullopt, MainTitle);
        ASSERT_NE(main, NoWindow);
        toolbar = windows.findChild(main, ToolbarClass, std::nullopt);
        ASSERT_NE(toolbar, NoWindow);
    }

    void TearDown() override { standin.reset(); }

    WindowHandle dialog() { return windows.findTopLevel(DialogClass, DialogTitle); }

    WindowHandle openDialog()
    {
        click(windows, toolbar, invoicing::ToolbarClickX, invoicing::ToolbarClickY, false);
        WindowHandle found = NoWindow;
        waitUntil([&] { return (found = dialog()) != NoWindow; }, 10000);
        return found;
    }

    IssuingRig rig;
    std::unique_ptr<Standin> standin;
    Win32WindowServices windows;
    WindowHandle main = NoWindow;
    WindowHandle toolbar = NoWindow;
};

} // namespace

TEST_F(Win32WindowServicesTest, FindsWindowsByWholeTitleClassAndCaption)
{
    EXPECT_TRUE(windows.isAvailable());
    struct TopCase {
        std::optional<std::string> windowClass;
        std::string title;
        bool found;
    };
    const TopCase tops[] = {
        {std::nullopt, MainTitle, true},
        {DialogClass, MainTitle, false}, // the main window has a class of its own
        {std::nullopt, "eTax@SH 电脑", false},
        {std::nullopt, MainTitle + " ", false},
        {std::nullopt, DialogTitle, false}, // no dialog before the toolbar is clicked
    };
    for (const TopCase& c : tops) {
        SCOPED_TRACE(c.title + " / " + c.windowClass.value_or("any class"));
        EXPECT_EQ(windows.findTopLevel(c.windowClass, c.title) != NoWindow, c.found);
    }
    EXPECT_EQ(windows.findTopLevel(std::nullopt, MainTitle), main);

    struct ChildCase {
        std::string windowClass;
        std::optional<std::string> caption;
        bool found;
    };
    const ChildCase children[] = {
        {ToolbarClass, std::nullopt, true},
        {ToolbarClass, std::string(), true}, // the toolbar's caption is empty
        {ToolbarClass, "工具栏", false},
        {"WindowsForms10.ToolbarWindow32", std::nullopt, false},
        {ButtonClass, "保存", false}, // buttons belong to the dialog
        {"Static", "开票软件（演示与测试用）", true},
    };
    for (const ChildCase& c : children) {
        SCOPED_TRACE(c.windowClass + " / " + c.caption.value_or("any caption"));
        EXPECT_EQ(windows.findChild(main, c.windowClass, c.caption) != NoWindow, c.found);
    }
    EXPECT_EQ(windows.findChild(NoWindow, ToolbarClass, std::nullopt), NoWindow);
}

TEST_F(Win32WindowServicesTest, PostedToolbarClickOpensTheDialogWhichAcceptsInputLater)
{
    // A click beside the issuing button does nothing.
    click(windows, toolbar, 300, 26, false);
    QThread::msleep(800);
    EXPECT_EQ(dialog(), NoWindow);

    const WindowHandle opened = openDialog();
    ASSERT_NE(opened, NoWindow);
    EXPECT_FALSE(windows.isEnabled(opened)); // from its creation until the step delay has passed
    EXPECT_TRUE(waitUntil([&] { return windows.isVisible(opened); }, 10000));
    EXPECT_FALSE(windows.isEnabled(opened));
    EXPECT_TRUE(waitUntil([&] { return windows.isEnabled(opened); }, 10000));

    struct Case {
        const char* caption;
        bool found;
    };
    for (const Case c : {Case{"保存", true}, Case{"打印", true}, Case{"打印预览", true}, Case{"打印设置", false},
                         Case{"关闭", true}, Case{"保", false}}) {
        SCOPED_TRACE(c.caption);
        EXPECT_EQ(windows.findChild(opened, ButtonClass, std::string(c.caption)) != NoWindow, c.found);
    }

    struct StateCase {
        const char* name;
        WindowHandle window;
        bool visible;
        bool enabled;
    };
    const StateCase states[] = {
        {"main window", main, true, true},
        {"toolbar", toolbar, true, true},
        {"dialog", opened, true, true},
        {"no window", NoWindow, false, false},
    };
    for (const StateCase& c : states) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(windows.isVisible(c.window), c.visible);
        EXPECT_EQ(windows.isEnabled(c.window), c.enabled);
    }

    // A sent press is handled when the send returns: "关闭" has closed the dialog by then.
    const WindowHandle close = windows.findChild(opened, ButtonClass, std::string("关闭"));
    click(windows, close, 0, 0, true);
    EXPECT_EQ(dialog(), NoWindow);
    EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(opened)));
    EXPECT_FALSE(windows.sendMouseMessage(close, MouseMessage::LeftButtonDown, MouseMessage::LeftButtonFlag, 0));
    EXPECT_FALSE(windows.postMouseMessage(NoWindow, MouseMessage::LeftButtonDown, MouseMessage::LeftButtonFlag, 0));
}

TEST_F(Win32WindowServicesTest, SentPressWaitsWhileTheRefusalBoxIsOpen)
{
    // No request files were written, so "保存" is refused with a modal box.
    const WindowHandle opened = openDialog();
    ASSERT_NE(opened, NoWindow);
    ASSERT_TRUE(waitUntil([&] { return windows.isEnabled(opened); }, 10000));
    const WindowHandle save = windows.findChild(opened, ButtonClass, std::string("保存"));
    ASSERT_NE(save, NoWindow);

    std::atomic<bool> returned{false};
    std::thread sender([&] {
        Win32WindowServices own;
        click(own, save, 0, 0, true);
        returned = true;
    });
    WindowHandle box = NoWindow;
    const bool boxShown =
        waitUntil([&] { return (box = windows.findTopLevel(std::string("#32770"), MainTitle)) != NoWindow; }, 20000);
    if (boxShown) {
        QThread::msleep(700);
        EXPECT_FALSE(returned.load()) << "the send came back while the box was open";
        EXPECT_FALSE(windows.isEnabled(opened)); // the box holds its owner
        PostMessageW(reinterpret_cast<HWND>(box), WM_CLOSE, 0, 0);
    }
    EXPECT_TRUE(waitUntil([&] { return returned.load(); }, 20000));
    sender.join();
    ASSERT_TRUE(boxShown) << "the refused request opened no box";
    EXPECT_EQ(windows.findTopLevel(std::string("#32770"), MainTitle), NoWindow);
    EXPECT_TRUE(windows.isEnabled(opened));
}

// The window automation itself over the Win32 services, against stand-ins set up each way.
TEST(Win32WindowAutomation, ReadinessDialogAndButtonsAgainstTheStandin)
{
    struct Case {
        const char* name;
        QStringList options;
        bool ready;
        bool dialog;
        bool buttons;
    };
    const Case cases[] = {
        {"ready at once", {}, true, true, true},
        {"shown after a second",
         {QStringLiteral("--start-hidden"), QStringLiteral("--show-after"), QStringLiteral("1000")},
         true,
         true,
         true},
        {"no 关闭 button", {QStringLiteral("--omit-button"), QStringLiteral("关闭")}, true, true, false},
        {"no 打印预览 button", {QStringLiteral("--omit-button"), QStringLiteral("打印预览")}, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IssuingRig rig;
        ASSERT_TRUE(rig.ready()) << rig.error().toStdString();
        Standin standin(rig, c.options);
        ASSERT_TRUE(standin.ready());
        Win32WindowServices windows;
        std::vector<std::string> shown;
        WindowAutomation automation(
            windows, [&](WindowAutomation::Problem problem) { shown.push_back(problemText(problem).toStdString()); });
        EXPECT_EQ(automation.CheckInvoicingReady(), c.ready);
        const WindowHandle dialog = automation.OpenIssueDialog();
        EXPECT_EQ(dialog != NoWindow, c.dialog);
        EXPECT_EQ(automation.FindIssueButtons(dialog), c.buttons);
        EXPECT_TRUE(shown.empty());
    }
    // Nothing running: the clerk is asked to start the invoicing program, at once.
    Win32WindowServices windows;
    std::vector<std::string> shown;
    WindowAutomation automation(
        windows, [&](WindowAutomation::Problem problem) { shown.push_back(problemText(problem).toStdString()); });
    EXPECT_FALSE(automation.CheckInvoicingReady());
    EXPECT_EQ(shown, std::vector<std::string>{"请先启动票系统！"});
}
