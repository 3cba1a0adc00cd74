#include "invoicing/WindowAutomation.h"

#include <utility>

namespace corvina {

WindowAutomation::WindowAutomation(WindowServices& windows, InfoSink info) : m_windows(windows), m_info(std::move(info))
{
}

bool WindowAutomation::poll(int count, const std::function<bool()>& test)
{
    for (int i = 0; i < count; ++i) {
        m_windows.sleep(PollInterval);
        if (test())
            return true;
    }
    return false;
}

bool WindowAutomation::CheckInvoicingReady()
{
    // Without a window system the program would only look absent; say what is really missing.
    if (!m_windows.isAvailable()) {
        m_info(Problem::WindowSystemUnreachable);
        return false;
    }
    const WindowHandle main = m_windows.findTopLevel(std::nullopt, invoicing::MainWindowTitle);
    if (main == NoWindow) {
        m_info(Problem::InvoicingNotRunning);
        return false;
    }
    if (!m_windows.isVisible(main) && !poll(MainWindowPolls, [&] { return m_windows.isVisible(main); })) {
        m_info(Problem::InvoicingTooSlow);
        return false;
    }
    if (!m_windows.isEnabled(main) && !poll(MainWindowPolls, [&] { return m_windows.isEnabled(main); })) {
        m_info(Problem::InvoicingTooSlow);
        return false;
    }
    if (!FindToolbar(main)) {
        m_info(Problem::IssuingUnavailable);
        return false;
    }
    return true;
}

bool WindowAutomation::FindToolbar(WindowHandle mainWindow)
{
    m_toolbar = NoWindow;
    if (!m_windows.isEnabled(mainWindow))
        return false;
    const WindowHandle toolbar = m_windows.findChild(mainWindow, invoicing::ToolbarClass, std::nullopt);
    if (toolbar == NoWindow)
        return false;
    m_toolbar = toolbar;
    return true;
}

WindowHandle WindowAutomation::OpenIssueDialog()
{
    auto findDialog = [&] {
        return m_windows.findTopLevel(std::string(invoicing::IssueDialogClass), invoicing::IssueDialogTitle);
    };
    WindowHandle dialog = findDialog();
    // A dialog left open is used as it is; otherwise the toolbar button opens it. The click is
    // posted so the run does not hang on whatever the invoicing program does with it.
    if (dialog == NoWindow && m_toolbar != NoWindow) {
        const auto point = pointParam(invoicing::ToolbarClickX, invoicing::ToolbarClickY);
        m_windows.postMouseMessage(m_toolbar, MouseMessage::LeftButtonDown, MouseMessage::LeftButtonFlag, point);
        m_windows.postMouseMessage(m_toolbar, MouseMessage::LeftButtonUp, MouseMessage::LeftButtonFlag, point);
    }
    if (dialog == NoWindow) {
        dialog = findDialog();
        if (dialog == NoWindow)
            poll(DialogPolls, [&] { return (dialog = findDialog()) != NoWindow; });
    }
    if (dialog == NoWindow) {
        m_info(Problem::IssueDialogTooSlow);
        return NoWindow;
    }
    if (!m_windows.isVisible(dialog) && !poll(DialogPolls, [&] { return m_windows.isVisible(dialog); })) {
        m_info(Problem::InvoicingTooSlow);
        return NoWindow;
    }
    if (!m_windows.isEnabled(dialog) && !poll(DialogPolls, [&] { return m_windows.isEnabled(dialog); })) {
        m_info(Problem::InvoicingTooSlow);
        return NoWindow;
    }
    return dialog;
}

bool WindowAutomation::FindIssueButtons(WindowHandle dialog)
{
    m_buttons.fill(NoWindow);
    for (int slot = 0; slot < invoicing::IssueButtonCount; ++slot) {
        m_buttons[slot] =
            m_windows.findChild(dialog, invoicing::ButtonClass, std::string(invoicing::IssueButtonCaptions[slot]));
        // Without "保存" or "打印" there is nothing worth looking further for.
        if ((slot == invoicing::SaveButton || slot == invoicing::PrintButton) && m_buttons[slot] == NoWindow)
            return false;
    }
    return m_buttons[invoicing::CloseButton] != NoWindow;
}

void WindowAutomation::pressButton(WindowHandle button)
{
    // Sent, not posted: a press that opens a modal window holds the run until it is closed.
    m_windows.sendMouseMessage(button, MouseMessage::LeftButtonDown, MouseMessage::LeftButtonFlag, 0);
    m_windows.sendMouseMessage(button, MouseMessage::LeftButtonUp, MouseMessage::LeftButtonFlag, 0);
    m_windows.sleep(PressPause);
}

void WindowAutomation::PressIssueButtons()
{
    pressButton(m_buttons[invoicing::SaveButton]);
    pressButton(m_buttons[invoicing::PrintButton]);
    pressButton(m_buttons[invoicing::CloseButton]);
}

} // namespace corvina
