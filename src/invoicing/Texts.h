#pragma once

#include <QString>

namespace corvina::InvoicingTexts {

// Appended directly to the full path of a request file that could not be written.
inline const QString UpdateFailed = QStringLiteral("更新失败!");
// Prefix of every database error while the issuing data is prepared.
inline const QString ErrorPrefix = QStringLiteral("发生错误：");
inline const QString NoEnabledBook = QStringLiteral("没有发票薄被启用，请启用发票薄!");
inline const QString BookUsedUp = QStringLiteral("发票已经用完，请启用其他发票薄!");
inline const QString NoCompanyRecord =
    QStringLiteral("开票软件数据库中没有企业信息（KPZH 表无记录），不能开具发票。请先在开票软件中设置企业信息。");

// The invoicing program's windows (information boxes).
inline const QString InvoicingNotRunning = QStringLiteral("请先启动票系统！");
inline const QString InvoicingTooSlow = QStringLiteral("开票速度太慢，请重新启动系统!");
inline const QString IssuingUnavailable = QStringLiteral("正常开票功能不可用，请重新启动系统");
inline const QString IssueDialogTooSlow = QStringLiteral("正常开票速度太慢，请重新启动系统");
// No display or desktop to find the invoicing program's windows on.
inline const QString WindowSystemUnreachable = QStringLiteral("无法连接窗口系统，不能操作开票软件的窗口！");
// The invoicing program's control file with the print settings.
inline const QString PrintSettingsLoadFailed = QStringLiteral("装载XML文件失败!");
inline const QString PrintSettingsNoRoot = QStringLiteral("结果文件中不存在子节点[kpkz]");
// Ends of a run that used to pass without a word; each names its cause (error boxes).
inline const QString ControlFileMissing = QStringLiteral("找不到开票软件的控制文件 %1，连开已停止。");
inline const QString ControlFileIncomplete = QStringLiteral(
    "开票软件的控制文件 %1 缺少打印设置（kp 下 print_info 的 print_left、print_top、print_name），连开已停止。");
inline const QString IssueButtonMissing = QStringLiteral("开票窗口中没有“%1”按钮，没有按任何按钮，连开已停止。");
// The book changed between the preparation and "保存": the request files no longer fit it.
inline const QString BookChanged =
    QStringLiteral("开票软件的发票薄在准备发票之后有变化，销售单据 %1 没有开票，连开已停止。\n"
                   "准备时：发票代码 %2，发票号码 %3\n现在：%4\n"
                   "请核对开票软件后再继续开票。");
inline const QString BookNow = QStringLiteral("发票代码 %1，发票号码 %2");
inline const QString BookNoneEnabled = QStringLiteral("没有启用的发票薄");
inline const QString BookUnreadable = QStringLiteral("无法读取开票软件的数据库");

} // namespace corvina::InvoicingTexts
