#include "invoicing/WindowAutomation.h"
#include "doubles/FakeWindowServices.h"
#include "doubles/RecordingPrompter.h"
#include "invoicing/InfoBoxes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace corvina;
using Fake = FakeWindowServices;

namespace {

constexpr const char* NotRunning = "请先启动票系统！";
constexpr const char* TooSlow = "开票速度太慢，请重新启动系统!";
constexpr const char* Unavailable = "正常开票功能不可用，请重新启动系统";
constexpr const char* DialogTooSlow = "正常开票速度太慢，请重新启动系统";
constexpr const char* Unreachable = "无法连接窗口系统，不能操作开票软件的窗口！";
constexpr const char* MainTitle = "eTax@SH 电脑开票";
constexpr const char* ToolbarClass = "WindowsForms10.ToolbarWindow32.app3";
constexpr const char* DialogClass = "WindowsForms10.Window.8.app3";
constexpr const char* DialogTitle = "正常开票 - eTax@SH 电脑开票";
constexpr const char* ButtonClass = "WindowsForms10.BUTTON.app3";

struct Harness {
    Fake fake;
    std::vector<std::string> shown;
    WindowAutomation automation{
        fake, [this](WindowAutomation::Problem problem) { shown.push_back(problemText(problem).toStdString()); }};
};

enum class Toolbar { Direct, None, InPanel, OtherClass };

struct ReadyCase {
    const char* name;
    bool running;
    const char* title;
    std::int64_t visibleAt;
    std::int64_t enabledAt;
    Toolbar toolbar;
    bool ready;
    std::vector<std::string> shown;
    int polls;
    bool windowSystem = true;
};

} // namespace

TEST(WindowAutomation, CheckInvoicingReady)
{
    const std::vector<ReadyCase> cases = {
        {"running and ready", true, MainTitle, 0, 0, Toolbar::Direct, true, {}, 0},
        {"not running", false, MainTitle, 0, 0, Toolbar::Direct, false, {NotRunning}, 0},
        {"title only a prefix", true, "eTax@SH 电脑开票 (2)", 0, 0, Toolbar::Direct, false, {NotRunning}, 0},
        {"visible after 10 s", true, MainTitle, 10000, 0, Toolbar::Direct, true, {}, 50},
        {"visible at the last poll", true, MainTitle, 24000, 0, Toolbar::Direct, true, {}, 120},
        {"visible just too late", true, MainTitle, 24001, 0, Toolbar::Direct, false, {TooSlow}, 120},
        {"never visible", true, MainTitle, Fake::Never, 0, Toolbar::Direct, false, {TooSlow}, 120},
        {"enabled after 3 s", true, MainTitle, 0, 3000, Toolbar::Direct, true, {}, 15},
        {"visible then enabled", true, MainTitle, 2000, 5000, Toolbar::Direct, true, {}, 25},
        {"visible late, enabled never", true, MainTitle, 1000, Fake::Never, Toolbar::Direct, false, {TooSlow}, 125},
        {"no toolbar", true, MainTitle, 0, 0, Toolbar::None, false, {Unavailable}, 0},
        {"toolbar inside a panel", true, MainTitle, 0, 0, Toolbar::InPanel, false, {Unavailable}, 0},
        {"child of another class", true, MainTitle, 0, 0, Toolbar::OtherClass, false, {Unavailable}, 0},
        {"no window system", false, MainTitle, 0, 0, Toolbar::Direct, false, {Unreachable}, 0, false},
        {"no window system, windows scripted", true, MainTitle, 0, 0, Toolbar::Direct, false, {Unreachable}, 0, false},
    };
    for (const ReadyCase& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        h.fake.setAvailable(c.windowSystem);
        h.fake.addWindow({NoWindow, "Other", "记事本"});
        WindowHandle toolbar = NoWindow;
        if (c.running) {
            const WindowHandle main = h.fake.addWindow({NoWindow, "AnyClass", c.title, 0, c.visibleAt, c.enabledAt});
            switch (c.toolbar) {
            case Toolbar::Direct:
                h.fake.addWindow({main, "WindowsForms10.STATIC.app3", ""});
                toolbar = h.fake.addWindow({main, ToolbarClass, "工具栏"});
                break;
            case Toolbar::InPanel: {
                const WindowHandle panel = h.fake.addWindow({main, "WindowsForms10.Window.8.app3", ""});
                h.fake.addWindow({panel, ToolbarClass, ""});
                break;
            }
            case Toolbar::OtherClass:
                h.fake.addWindow({main, "WindowsForms10.ToolbarWindow32.app", ""});
                break;
            case Toolbar::None:
                break;
            }
        }
        EXPECT_EQ(h.automation.CheckInvoicingReady(), c.ready);
        EXPECT_EQ(h.shown, c.shown);
        EXPECT_EQ(h.fake.sleepCount(200), c.polls);
        EXPECT_EQ(h.fake.sleeps().size(), static_cast<size_t>(c.polls));
        EXPECT_EQ(h.automation.toolbar(), c.ready ? toolbar : NoWindow);
        EXPECT_TRUE(h.fake.messages().empty());
    }
}

TEST(WindowAutomation, FindToolbarEmptiesTheTableFirst)
{
    Harness h;
    const WindowHandle main = h.fake.addWindow({NoWindow, "Main", MainTitle, 0, 0, 1000});
    const WindowHandle toolbar = h.fake.addWindow({main, ToolbarClass, ""});
    h.fake.advance(1000);
    ASSERT_TRUE(h.automation.FindToolbar(main));
    EXPECT_EQ(h.automation.toolbar(), toolbar);
    h.fake.setEnabledAt(main, Fake::Never); // refusing input now
    EXPECT_FALSE(h.automation.FindToolbar(main));
    EXPECT_EQ(h.automation.toolbar(), NoWindow);
}

namespace {

struct DialogCase {
    const char* name;
    bool openBefore;               // left open from an earlier invoice
    std::int64_t appearAfterClick; // Never: the click opens nothing
    const char* dialogClass;
    std::int64_t visibleDelay; // after appearing
    std::int64_t enabledDelay;
    bool opened;
    std::vector<std::string> shown;
    int polls;
    int clicks;
};

} // namespace

TEST(WindowAutomation, OpenIssueDialog)
{
    const std::vector<DialogCase> cases = {
        {"already open", true, 0, DialogClass, 0, 0, true, {}, 0, 0},
        {"opens with the click", false, 0, DialogClass, 0, 0, true, {}, 0, 1},
        {"opens after 1 s", false, 1000, DialogClass, 0, 0, true, {}, 5, 1},
        {"opens at the last poll", false, 36000, DialogClass, 0, 0, true, {}, 180, 1},
        {"never opens", false, Fake::Never, DialogClass, 0, 0, false, {DialogTooSlow}, 180, 1},
        {"right title, other class", false, 0, "WindowsForms10.Window.8.app", 0, 0, false, {DialogTooSlow}, 180, 1},
        {"shown late", false, 1000, DialogClass, 4000, 0, true, {}, 25, 1},
        {"never shown", false, 1000, DialogClass, Fake::Never, 0, false, {TooSlow}, 185, 1},
        {"stays disabled", false, 0, DialogClass, 0, Fake::Never, false, {TooSlow}, 180, 1},
        {"left open but disabled", true, 0, DialogClass, 0, 400, true, {}, 2, 0},
    };
    for (const DialogCase& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        const WindowHandle main = h.fake.addWindow({NoWindow, "Main", MainTitle});
        const WindowHandle toolbar = h.fake.addWindow({main, ToolbarClass, ""});
        WindowHandle dialog = NoWindow;
        auto openDialog = [&](std::int64_t at) {
            dialog = h.fake.addWindow({NoWindow, c.dialogClass, DialogTitle, at,
                                       c.visibleDelay == Fake::Never ? Fake::Never : at + c.visibleDelay,
                                       c.enabledDelay == Fake::Never ? Fake::Never : at + c.enabledDelay});
        };
        if (c.openBefore)
            openDialog(0);
        else if (c.appearAfterClick != Fake::Never)
            h.fake.onPress(toolbar, [&] { openDialog(h.fake.now() + c.appearAfterClick); });
        ASSERT_TRUE(h.automation.CheckInvoicingReady());

        const WindowHandle got = h.automation.OpenIssueDialog();
        EXPECT_EQ(got, c.opened ? dialog : NoWindow);
        EXPECT_EQ(h.shown, c.shown);
        EXPECT_EQ(h.fake.sleepCount(200), c.polls);
        EXPECT_EQ(h.fake.pressCount(toolbar), c.clicks);
        const auto messages = h.fake.messages();
        ASSERT_EQ(messages.size(), static_cast<size_t>(2 * c.clicks));
        for (size_t i = 0; i < messages.size(); ++i) {
            EXPECT_EQ(messages[i].delivery, Fake::Delivery::Posted);
            EXPECT_EQ(messages[i].window, toolbar);
            EXPECT_EQ(messages[i].message, i == 0 ? 0x0201u : 0x0202u);
            EXPECT_EQ(messages[i].wParam, 1u);
            EXPECT_EQ(messages[i].lParam, 34 + (26 << 16));
        }
    }
}

namespace {

struct ButtonsCase {
    const char* name;
    std::vector<std::string> directCaptions;
    std::vector<std::string> panelCaptions;
    bool found;
    std::vector<bool> slotsFilled;
};

} // namespace

TEST(WindowAutomation, FindIssueButtons)
{
    const std::vector<ButtonsCase> cases = {
        {"all five", {"保存", "打印", "打印预览", "打印设置", "关闭"}, {}, true, {1, 1, 1, 1, 1}},
        {"order on screen does not matter", {"关闭", "打印设置", "打印", "保存"}, {}, true, {1, 1, 0, 1, 1}},
        {"no preview, no setup", {"保存", "打印", "关闭"}, {}, true, {1, 1, 0, 0, 1}},
        {"no close", {"保存", "打印", "打印预览", "打印设置"}, {}, false, {1, 1, 1, 1, 0}},
        {"no save: nothing further looked up", {"打印", "打印预览", "打印设置", "关闭"}, {}, false, {0, 0, 0, 0, 0}},
        {"no print: nothing further looked up", {"保存", "打印预览", "打印设置", "关闭"}, {}, false, {1, 0, 0, 0, 0}},
        {"save inside a panel", {"打印", "关闭"}, {"保存"}, false, {0, 0, 0, 0, 0}},
        {"captions must match whole", {"保存 ", "打印", "关闭"}, {}, false, {0, 0, 0, 0, 0}},
        {"no buttons at all", {}, {}, false, {0, 0, 0, 0, 0}},
    };
    for (const ButtonsCase& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        const WindowHandle dialog = h.fake.addWindow({NoWindow, DialogClass, DialogTitle});
        const WindowHandle panel = h.fake.addWindow({dialog, "WindowsForms10.Window.8.app3", ""});
        h.fake.addWindow({dialog, "WindowsForms10.EDIT.app3", "保存"}); // right caption, wrong class
        std::map<std::string, WindowHandle> handles;
        for (const auto& caption : c.directCaptions)
            handles[caption] = h.fake.addWindow({dialog, ButtonClass, caption});
        for (const auto& caption : c.panelCaptions)
            h.fake.addWindow({panel, ButtonClass, caption});

        EXPECT_EQ(h.automation.FindIssueButtons(dialog), c.found);
        const char* captions[] = {"保存", "打印", "打印预览", "打印设置", "关闭"};
        for (int slot = 0; slot < 5; ++slot) {
            SCOPED_TRACE(captions[slot]);
            const WindowHandle expected = c.slotsFilled[slot] ? handles.at(captions[slot]) : NoWindow;
            EXPECT_EQ(h.automation.buttons()[slot], expected);
        }
        EXPECT_TRUE(h.shown.empty());
    }
}

TEST(WindowAutomation, PressIssueButtonsSendsSaveThenPrintThenClose)
{
    struct Case {
        const char* name;
        std::int64_t saveModalFor; // 0: the save press opens no modal window
    };
    for (const Case c : {Case{"plain", 0}, Case{"save opens a modal box for 5 s", 5000}}) {
        SCOPED_TRACE(c.name);
        Harness h;
        const WindowHandle dialog = h.fake.addWindow({NoWindow, DialogClass, DialogTitle});
        std::map<std::string, WindowHandle> b;
        for (const char* caption : {"保存", "打印", "打印预览", "打印设置", "关闭"})
            b[caption] = h.fake.addWindow({dialog, ButtonClass, caption});
        std::vector<std::int64_t> savedAt;
        h.fake.onPress(b["保存"], [&] {
            savedAt.push_back(h.fake.now());
            if (c.saveModalFor)
                h.fake.addWindow({NoWindow, "#32770", "提示", h.fake.now(), h.fake.now(), h.fake.now(),
                                  h.fake.now() + c.saveModalFor, true});
        });
        h.fake.onPress(b["关闭"], [&] { h.fake.setDisappearAt(dialog, h.fake.now()); });
        ASSERT_TRUE(h.automation.FindIssueButtons(dialog));

        h.automation.PressIssueButtons();

        EXPECT_EQ(savedAt, std::vector<std::int64_t>{0});
        const auto m = h.fake.messages();
        ASSERT_EQ(m.size(), 6u);
        const WindowHandle order[] = {b["保存"], b["保存"], b["打印"], b["打印"], b["关闭"], b["关闭"]};
        const std::int64_t after = 300 + c.saveModalFor;
        const std::int64_t at[] = {0, 0, after, after, after + 300, after + 300};
        for (int i = 0; i < 6; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(m[i].delivery, Fake::Delivery::Sent);
            EXPECT_EQ(m[i].window, order[i]);
            EXPECT_EQ(m[i].message, i % 2 ? 0x0202u : 0x0201u);
            EXPECT_EQ(m[i].wParam, 1u);
            EXPECT_EQ(m[i].lParam, 0);
            EXPECT_EQ(m[i].at, at[i]);
            EXPECT_TRUE(m[i].delivered);
        }
        EXPECT_EQ(m[1].returnedAt, c.saveModalFor);
        EXPECT_EQ(h.fake.sleeps(), (std::vector<int>{300, 300, 300}));
        EXPECT_EQ(h.fake.pressCount(b["打印预览"]) + h.fake.pressCount(b["打印设置"]), 0);
        EXPECT_EQ(h.fake.findTopLevel(std::string(DialogClass), DialogTitle), NoWindow);
    }
}

TEST(WindowAutomation, OneInvoiceFromReadinessToClose)
{
    Harness h;
    const WindowHandle main = h.fake.addWindow({NoWindow, "WindowsForms10.Window.8.app3", MainTitle});
    const WindowHandle toolbar = h.fake.addWindow({main, ToolbarClass, ""});
    int issued = 0;
    h.fake.onPress(toolbar, [&] {
        const std::int64_t t = h.fake.now();
        const WindowHandle dialog = h.fake.addWindow({NoWindow, DialogClass, DialogTitle, t + 700, t + 900, t + 1300});
        std::map<std::string, WindowHandle> b;
        for (const char* caption : {"保存", "打印", "关闭"})
            b[caption] = h.fake.addWindow({dialog, ButtonClass, caption});
        h.fake.onPress(b["保存"], [&] { ++issued; });
        h.fake.onPress(b["关闭"], [&h, dialog] { h.fake.setDisappearAt(dialog, h.fake.now()); });
    });

    for (int invoice = 1; invoice <= 2; ++invoice) {
        SCOPED_TRACE(invoice);
        ASSERT_TRUE(h.automation.CheckInvoicingReady());
        const WindowHandle dialog = h.automation.OpenIssueDialog();
        ASSERT_NE(dialog, NoWindow);
        ASSERT_TRUE(h.automation.FindIssueButtons(dialog));
        h.automation.PressIssueButtons();
        EXPECT_EQ(issued, invoice);
    }
    // Per invoice: 4 polls until the dialog appears, 1 until shown, 2 until enabled.
    EXPECT_EQ(h.fake.sleepCount(200), 2 * 7);
    EXPECT_EQ(h.fake.sleepCount(300), 2 * 3);
    EXPECT_EQ(h.fake.pressCount(toolbar), 2);
    EXPECT_TRUE(h.shown.empty());
}

TEST(WindowAutomation, MessagesBecomeInformationBoxesOverTheMainWindow)
{
    Fake fake;
    RecordingPrompter prompter;
    WindowAutomation automation(fake, infoBoxes(prompter));
    EXPECT_FALSE(automation.CheckInvoicingReady());
    const auto shown = prompter.shown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].type, RecordingPrompter::Type::Box);
    EXPECT_EQ(shown[0].kind, MessageBoxKind::Info);
    EXPECT_EQ(shown[0].owner, BoxOwner::MainWindow);
    EXPECT_EQ(shown[0].text, QStringLiteral("请先启动票系统！"));
}
