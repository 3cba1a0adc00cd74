#pragma once

// Texts the issuing folder shows to the clerk, UTF-8, kept verbatim.
namespace corvina::texts {

inline constexpr const char* InvoicingNotRunning = "请先启动票系统！";
inline constexpr const char* InvoicingTooSlow = "开票速度太慢，请重新启动系统!";
inline constexpr const char* IssuingUnavailable = "正常开票功能不可用，请重新启动系统";
inline constexpr const char* IssueDialogTooSlow = "正常开票速度太慢，请重新启动系统";
inline constexpr const char* StopKeyFailed = "注册F10失败";
// No display or desktop to find the invoicing program's windows on.
inline constexpr const char* WindowSystemUnreachable = "无法连接窗口系统，不能操作开票软件的窗口！";

} // namespace corvina::texts
