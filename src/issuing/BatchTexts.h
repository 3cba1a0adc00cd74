#pragma once

#include <QString>

namespace corvina::BatchTexts {

inline const QString StartCaption = QStringLiteral("发票连开(&S)");
inline const QString StopCaption = QStringLiteral("停止(&P)");
inline const QString Confirm = QStringLiteral("请确定打印机已经设置好，您是否确定要开始自动填开发票？");
inline const QString StopKeyFailed = QStringLiteral("注册F10失败");
inline const QString PreviousRunEnding = QStringLiteral("上一次连开还在结束当前发票，请稍候再开始。");
inline const QString RefusedDuringRun = QStringLiteral("正在连续开票，请先停止开票（或等待开票结束）再进行此操作。");
inline const QString ClosingAfterInvoice = QStringLiteral("正在完成当前发票，完成后窗口将自动关闭。");
// The invoicing program issued the invoice but the store did not take it: the clerk records it.
inline const QString RecordByHand = QStringLiteral("发票已由开票软件开具，但未能记入本系统的数据库，连开已停止。\n请手"
                                                   "工记录：\n销售单据号：%1\n发票代码：%2\n发票号码：%3");
inline const QString NotIssuedState = QStringLiteral("未开票");
inline const QString IssuedState = QStringLiteral("已开票");

} // namespace corvina::BatchTexts
