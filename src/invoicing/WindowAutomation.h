#pragma once

#include "invoicing/InvoicingWindows.h"
#include "platform/WindowServices.h"

#include <array>
#include <functional>
#include <string>

namespace corvina {

// Drives the invoicing program's windows the way a clerk would: waits for its main window, opens
// the issuing dialog from the toolbar and presses the dialog's buttons. Plain C++ over
// WindowServices, run on the batch thread; every wait blocks that thread.
class WindowAutomation {
public:
    static constexpr int PollInterval = 200;
    static constexpr int MainWindowPolls = 120;
    static constexpr int DialogPolls = 180;
    static constexpr int PressPause = 300;

    // What stops the automation, for the clerk. The caller words it and shows it as an information
    // box: the automation stays plain C++, its texts live with the folder's other texts.
    enum class Problem {
        WindowSystemUnreachable,
        InvoicingNotRunning,
        InvoicingTooSlow,
        IssuingUnavailable,
        IssueDialogTooSlow
    };
    using InfoSink = std::function<void(Problem problem)>;

    WindowAutomation(WindowServices& windows, InfoSink info);

    // True when the invoicing program runs, its main window is visible and enabled and has its
    // toolbar; otherwise the reason has been shown.
    bool CheckInvoicingReady();
    // Fills the toolbar table from the main window; false when the window refuses input or has no
    // toolbar.
    bool FindToolbar(WindowHandle mainWindow);
    // The issuing dialog, opened from the toolbar unless it is already open; NoWindow after the
    // reason has been shown.
    WindowHandle OpenIssueDialog();
    // Fills the button table; true when "保存", "打印" and "关闭" are all there. Shows nothing.
    bool FindIssueButtons(WindowHandle dialog);
    // Presses "保存", "打印" and "关闭" in turn, each press sent and followed by a pause.
    void PressIssueButtons();

    WindowHandle toolbar() const { return m_toolbar; }
    const std::array<WindowHandle, invoicing::IssueButtonCount>& buttons() const { return m_buttons; }

private:
    // Sleeps one interval before each test; true as soon as the test holds within count polls.
    bool poll(int count, const std::function<bool()>& test);
    void pressButton(WindowHandle button);

    WindowServices& m_windows;
    InfoSink m_info;
    WindowHandle m_toolbar = NoWindow; // the toolbar table: empty or one handle
    std::array<WindowHandle, invoicing::IssueButtonCount> m_buttons{};
};

} // namespace corvina
