#pragma once

#include <QString>

// Texts the issuing folder shows to the clerk, kept verbatim.
namespace corvina::IssuingTexts {

// The run's button and the questions and notes around starting and stopping it.
inline const QString StartCaption = QStringLiteral("发票连开(&S)");
inline const QString StopCaption = QStringLiteral("停止(&P)");
inline const QString Confirm = QStringLiteral("请确定打印机已经设置好，您是否确定要开始自动填开发票？");
inline const QString StopKeyFailed = QStringLiteral("注册F10失败");
inline const QString PreviousRunEnding = QStringLiteral("上一次连开还在结束当前发票，请稍候再开始。");
inline const QString RefusedDuringRun = QStringLiteral("正在连续开票，请先停止开票（或等待开票结束）再进行此操作。");
inline const QString ClosingAfterInvoice = QStringLiteral("正在完成当前发票，完成后窗口将自动关闭。");

// A run stopped by an error nobody foresaw (error box).
inline const QString UnexpectedFailure = QStringLiteral("连开因意外错误而停止：%1");
inline const QString UnknownFailure = QStringLiteral("未知错误");

// The invoicing program issued the invoice but the store did not take it: the clerk records it.
inline const QString RecordByHand = QStringLiteral("发票已由开票软件开具，但未能记入本系统的数据库，连开已停止。\n请手"
                                                   "工记录：\n销售单据号：%1\n发票代码：%2\n发票号码：%3");
// The invoicing program did not show the number as used within the bound: nothing is recorded.
inline const QString NotConfirmed = QStringLiteral("开票软件没有确认已开具这张发票，本系统没有记录它，连开已停止。\n"
                                                   "销售单据号：%1\n发票代码：%2\n发票号码：%3\n"
                                                   "请先在开票软件中核对这张发票是否已开具，再继续开票。");
// The book offers a number the store already gives to another document, or that another open
// attempt waits to be settled under: "保存" is not pressed. %2 says who holds it.
inline const QString NumberHeld =
    QStringLiteral("开票软件的当前发票号码已被占用，销售单据 %1 没有开票，连开已停止：\n%2\n"
                   "请先在开票软件中核对这个发票号码，再继续开票。");
// The invoice went out, but the store changed under the run (settled, edited or deleted meanwhile,
// or the number given to another document): nothing was recorded.
inline const QString RecordRefused =
    QStringLiteral("发票已由开票软件开具，但本系统没有记录它，连开已停止：%4。\n销售单据号：%1\n发票代码：%2\n"
                   "发票号码：%3\n请在开票软件中核对这张发票，再在“发票修改”中核对这张单据。");
// The book offers again a number this run has just recorded: nothing goes out.
inline const QString NumberAlreadyRecorded =
    QStringLiteral("开票软件的当前发票号码本次连开刚刚记录过，销售单据 %1 没有开票，连开已停止。\n"
                   "发票代码：%2\n发票号码：%3（已记录给销售单据 %4）\n"
                   "请先在开票软件中核对这张发票是否已开具，再继续开票。");
// An attempt left open by an earlier run (cut off, or not confirmed): the clerk settles it by hand.
inline const QString AttemptOpen = QStringLiteral(
    "销售单据 %1 上次开票没有完成，尚未核对，连开已停止。\n发票代码：%2\n发票号码：%3\n"
    "请在开票软件中核对这张发票是否已开具，然后在“发票修改”中记录结果：已开具的记为“已开票”并填写发票代码"
    "和发票号码，没有开具的记为“未开票”。");
// This station's own claim, cut off before the book was read: "保存" was never pressed for it.
inline const QString AttemptOpenUnnumbered = QStringLiteral(
    "销售单据 %1 上次开票在读取发票号码之前中断，没有按过“保存”，开票软件中不会有这张发票，连开已停止。\n"
    "请在“发票修改”中将它记为“未开票”，然后再继续开票。");
// Rows another station sharing the store has claimed or issued: passed over, the run goes on.
inline const QString ClaimedElsewhere = QStringLiteral("销售单据 %1 已由开票站“%2”于 %3 认领开票，本站跳过。");
inline const QString IssuedElsewhere = QStringLiteral("销售单据 %1 已开具（发票代码 %2，发票号码 %3），本站跳过。");
inline const QString NoLongerStored = QStringLiteral("销售单据 %1 已不在数据库中，没有开票，连开已停止。请重新查询。");

} // namespace corvina::IssuingTexts
