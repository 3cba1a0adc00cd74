#pragma once

#include <array>

// The invoicing program's own window facts (titles, classes, captions, the toolbar point), UTF-8.
// The stand-in invoicing program builds its windows from the same values.
namespace corvina::invoicing {

inline constexpr const char* MainWindowTitle = "eTax@SH 电脑开票";
inline constexpr const char* ToolbarClass = "WindowsForms10.ToolbarWindow32.app3";
inline constexpr const char* IssueDialogClass = "WindowsForms10.Window.8.app3";
inline constexpr const char* IssueDialogTitle = "正常开票 - eTax@SH 电脑开票";
inline constexpr const char* ButtonClass = "WindowsForms10.BUTTON.app3";

// The toolbar button that opens the issuing dialog, in the toolbar's client coordinates.
inline constexpr int ToolbarClickX = 34;
inline constexpr int ToolbarClickY = 26;

// The issuing dialog's buttons in the order they are looked up.
enum IssueButton { SaveButton = 0, PrintButton = 1, PreviewButton = 2, PrintSetupButton = 3, CloseButton = 4 };
inline constexpr int IssueButtonCount = 5;
inline constexpr std::array<const char*, IssueButtonCount> IssueButtonCaptions = {"保存", "打印", "打印预览",
                                                                                  "打印设置", "关闭"};

} // namespace corvina::invoicing
