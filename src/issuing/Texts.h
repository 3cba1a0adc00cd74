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

// Ends of a run that used to pass without a word; each names its cause (error boxes).
inline constexpr const char* ControlFileMissing = "找不到开票软件的控制文件 %1，连开已停止。";
inline constexpr const char* ControlFileIncomplete =
    "开票软件的控制文件 %1 缺少打印设置（kp 下 print_info 的 print_left、print_top、print_name），连开已停止。";
inline constexpr const char* IssueButtonMissing = "开票窗口中没有“%1”按钮，没有按任何按钮，连开已停止。";
inline constexpr const char* UnexpectedFailure = "连开因意外错误而停止：%1";
inline constexpr const char* UnknownFailure = "未知错误";

// The invoicing program did not show the number as used within the bound: nothing is recorded.
inline constexpr const char* NotConfirmed = "开票软件没有确认已开具这张发票，本系统没有记录它，连开已停止。\n"
                                            "销售单据号：%1\n发票代码：%2\n发票号码：%3\n"
                                            "请先在开票软件中核对这张发票是否已开具，再继续开票。";
// The book offers again a number this run has just recorded: nothing goes out.
inline constexpr const char* NumberAlreadyRecorded =
    "开票软件的当前发票号码本次连开刚刚记录过，销售单据 %1 没有开票，连开已停止。\n"
    "发票代码：%2\n发票号码：%3（已记录给销售单据 %4）\n"
    "请先在开票软件中核对这张发票是否已开具，再继续开票。";
// An attempt left open by an earlier run (cut off, or not confirmed): the clerk settles it by hand.
inline constexpr const char* AttemptOpen =
    "销售单据 %1 上次开票没有完成，尚未核对，连开已停止。\n发票代码：%2\n发票号码：%3\n"
    "请在开票软件中核对这张发票是否已开具，然后在“发票修改”中记录结果：已开具的记为“已开票”并填写发票代码"
    "和发票号码，没有开具的记为“未开票”。";
// This station's own claim, cut off before the book was read: "保存" was never pressed for it.
inline constexpr const char* AttemptOpenUnnumbered =
    "销售单据 %1 上次开票在读取发票号码之前中断，没有按过“保存”，开票软件中不会有这张发票，连开已停止。\n"
    "请在“发票修改”中将它记为“未开票”，然后再继续开票。";
// Rows another station sharing the store has claimed or issued: passed over, the run goes on.
inline constexpr const char* ClaimedElsewhere = "销售单据 %1 已由开票站“%2”于 %3 认领开票，本站跳过。";
inline constexpr const char* IssuedElsewhere = "销售单据 %1 已开具（发票代码 %2，发票号码 %3），本站跳过。";
inline constexpr const char* AlreadyIssuedInStore =
    "销售单据 %1 在数据库中已记为已开票（发票代码 %2，发票号码 %3），没有再开票，连开已停止。请重新查询。";
inline constexpr const char* NoLongerStored = "销售单据 %1 已不在数据库中，没有开票，连开已停止。请重新查询。";
// The book changed between the preparation and "保存": the request files no longer fit it.
inline constexpr const char* BookChanged = "开票软件的发票薄在准备发票之后有变化，销售单据 %1 没有开票，连开已停止。\n"
                                           "准备时：发票代码 %2，发票号码 %3\n现在：%4\n"
                                           "请核对开票软件后再继续开票。";
inline constexpr const char* BookNow = "发票代码 %1，发票号码 %2";
inline constexpr const char* BookNoneEnabled = "没有启用的发票薄";
inline constexpr const char* BookUnreadable = "无法读取开票软件的数据库";

} // namespace corvina::texts
