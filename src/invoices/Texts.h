#pragma once

#include <QString>
#include <QStringList>

// Texts of the invoice browser: selection totals, deletion and the edit dialog.
namespace corvina::BrowserTexts {

inline const QString CountPrefix = QStringLiteral("选中的发票张数为:");
inline const QString AmountPrefix = QStringLiteral("选中的发票金额为:");
// A ticked row whose amount cannot be added up; %1 the document number, %2 the amount text.
inline const QString AmountNotANumber = QStringLiteral("销售单据号“%1”的总金额“%2”不是有效的数字，无法合计。");

inline const QString DeleteNothingListed = QStringLiteral("请先查询选择发票数据，再删除发票!");
inline const QString DeleteNothingTicked = QStringLiteral("请先选中发票数据，再删除发票!");
inline const QString DeleteQuestion = QStringLiteral("您确定要删除所选取的发票吗？");
// A document whose issuing attempt is still open: its invoice may have gone out.
inline const QString DeleteOpenAttempt = QStringLiteral(
    "销售单据 %1 有一次开票尚未核对，不能删除。\n请先在开票软件中核对，在“发票修改”中记为“已开票”或“未开票”，再删除。");
// A run (of this desk or another) holds the document's attempt: nothing may change it meanwhile.
// %3: how many seconds a run cut off (a crash, a power cut) keeps holding it.
inline const QString RunIssuing =
    QStringLiteral("开票站“%2”正在为销售单据 %1 开票，现在不能修改或删除它。\n请等这次开票结束后再操作"
                   "（如果那次开票已经中断，%3秒后即可核对）。");

inline const QString EditCaption = QStringLiteral("发票修改");
inline const QString EditCodeLabel = QStringLiteral("发票代号");
inline const QString EditNumberLabel = QStringLiteral("发票编号");
inline const QString EditStateLabel = QStringLiteral("发票状态");
inline const QString EditOk = QStringLiteral("确定(&O)");
inline const QString EditCancel = QStringLiteral("取消(&C)");
// A state text that is neither entry would hide the document from every query.
inline const QString EditStateUnknown = QStringLiteral("发票状态只能是“未开票”或“已开票”，请重新选择!");
// Settling an open attempt as issued.
inline const QString SettleNeedsNumbers =
    QStringLiteral("销售单据 %1 记为“已开票”须填写开票软件中这张发票的发票代码和发票号码。");
inline const QString SettleOtherNumbers =
    QStringLiteral("销售单据 %1 这次开票记下的是：发票代码 %2，发票号码 %3。\n您填写的是：发票代码 %4，发票号码 %5。\n"
                   "开票软件中这张单据的发票确实是您填写的号码吗？");
// The document's issuing attempt was opened, closed or settled elsewhere while the clerk answered.
inline const QString EditChangedMeanwhile =
    QStringLiteral("销售单据 %1 的开票记录刚刚有了变化（另一台电脑开票或核对了它），没有保存。请重新查询后再修改。");
// %1 says which document holds the code and number.
inline const QString InvoiceHeld = QStringLiteral("%1，不能再记给销售单据 %2。");
// The edit dialog settling an open attempt: station, start, code and number of the attempt.
inline const QString EditAttempt = QStringLiteral("开票站“%1”于 %2 为这张单据开票，尚未核对：发票代码 %3，发票号码 %4。"
                                                  "请按开票软件中的实际情况记为“已开票”或“未开票”。");
// The state shown for a document whose issuing attempt waits to be settled.
inline const QString AwaitingCheck = QStringLiteral("待核对");

// The state texts of the list and of the two state boxes.
inline const QString Issued = QStringLiteral("已开票");
inline const QString NotIssued = QStringLiteral("未开票");
inline const QString QueryNotIssued = QStringLiteral("未开发票");
inline const QString QueryIssued = QStringLiteral("已开发票");

// The invoice list's column captions, 0 (check box) to 16.
inline const QString ColumnSelect = QStringLiteral("选择");
inline const QString ColumnNo = QStringLiteral("序号");
inline const QString ColumnImportDate = QStringLiteral("导入日期");
inline const QString ColumnOrderId = QStringLiteral("销售单据号");
inline const QString ColumnCode = QStringLiteral("发票代码");
inline const QString ColumnNumber = QStringLiteral("发票号码");
inline const QString ColumnCustomer = QStringLiteral("客户名称");
inline const QString ColumnAmount = QStringLiteral("总金额");
inline const QString ColumnContract = QStringLiteral("合同编号");
inline const QString ColumnExportNotice = QStringLiteral("出口通知书");
inline const QString ColumnAccount = QStringLiteral("会计编号");
inline const QString ColumnIssuer = QStringLiteral("开票人");
inline const QString ColumnDeliveryNotice = QStringLiteral("发货通知书");
inline const QString ColumnExportNo = QStringLiteral("出口序号");
inline const QString ColumnVerification = QStringLiteral("核销单号");
inline const QString ColumnRemark = QStringLiteral("备注");
inline const QString ColumnState = QStringLiteral("状态");
// The line-item list's captions; its first column is ColumnNo.
inline const QString LineColumnItem = QStringLiteral("品名及规格");
inline const QString LineColumnCount = QStringLiteral("数量");
inline const QString LineColumnPrice = QStringLiteral("单价");
inline const QString LineColumnSum = QStringLiteral("金额");

// The issuing journal as the journal window and `corvina journal` list it: its columns, the
// outcomes, and whether an attempt still waits to be settled. The first three are the invoice
// list's own column captions.
inline const QStringList JournalCaptions = {ColumnOrderId,
                                            ColumnCode,
                                            ColumnNumber,
                                            QStringLiteral("开始时间"),
                                            QStringLiteral("结果"),
                                            QStringLiteral("结束时间"),
                                            QStringLiteral("核对"),
                                            QStringLiteral("开票站"),
                                            QStringLiteral("核对站")};
inline const QString OutcomePending = QStringLiteral("未完成（开票中断）");
inline const QString OutcomeRunning = QStringLiteral("正在开票");
inline const QString OutcomeIssued = QStringLiteral("已开具并记录");
inline const QString OutcomeUnconfirmed = QStringLiteral("开票软件未确认");
inline const QString AttemptOpen = AwaitingCheck;
inline const QString AttemptRunning = QStringLiteral("开票中");
inline const QString AttemptClosed = QStringLiteral("—");
inline const QString SettledIssued = QStringLiteral("已核对：已开票 %1 %2");
inline const QString SettledIssuedOther = QStringLiteral("已核对：已开票 %1 %2（另填号码）");
inline const QString SettledNotIssued = QStringLiteral("已核对：未开票");
// Documents of a store written before a code and number was kept to one document.
inline const QString DuplicateInvoice = QStringLiteral("发票代码 %1、发票号码 %2 同时记录给了销售单据：%3");

} // namespace corvina::BrowserTexts

// Texts of the import: its log lines and the values it refuses.
namespace corvina::ImportTexts {

// Import log lines.
inline const QString LogChecking = QStringLiteral("开始处理EXCEL文件数据的正确性");
inline const QString LogCount = QStringLiteral("该EXCEL文件一共含%1张发票!");
inline const QString LogStored = QStringLiteral("该销售单据的数据正确，处理成功");
inline const QString LogAlreadyPresent = QStringLiteral("该销售单据的数据已有记录，放弃处理");
inline const QString LogDone = QStringLiteral("EXCEL文件处理完成");
// A document whose rows stand in more than one place: nothing of it is stored. %2 and %3 are the
// first two places ("5" or "5-7"), %4 what follows when there are more.
inline const QString LogSplit = QStringLiteral("%1该销售单据的数据分在第%2行和第%3行%4，不相连，整张放弃处理");
inline const QString LogSplitMore = QStringLiteral("等%1处");
// A document whose rows reach the place where the file ends early: more of it may have stood
// after the cut, so nothing of it is stored.
inline const QString LogCutShort = QStringLiteral("%1该销售单据的数据到文件提前结束处为止，可能不完整，整张放弃处理");

// Messages of the import run.
inline const QString NoReader = QStringLiteral("无法打开EXCEL文件，请确定电脑安装了OFFICE软件!");
inline const QString OpenFilter = QStringLiteral("*.xls|*.xls|*.xlsx|*.xlsx|*.csv|*.csv|*.txt|*.txt");
inline const QString ProgressLabel = QStringLiteral("正在导入EXCEL文件……");

// Values the import refuses, after the store's "连接错误:".
inline const QString BadAmount = QStringLiteral("第%1行N列的金额“%2”不是数字");
inline const QString Uncalculated = QStringLiteral(
    "单元格%1是公式，但文件里没有它的计算结果（文件不是由EXCEL或WPS保存的），请用EXCEL打开并保存后再导入");
inline const QString BadQuantity = QStringLiteral("销售单据%1第%2行明细的数量“%3”不是数字");
inline const QString BadPrice = QStringLiteral("销售单据%1第%2行明细的单价“%3”不是数字");
inline const QString BadLineSum = QStringLiteral("销售单据%1第%2行明细的数量与单价相乘超出数值范围");
inline const QString BadAmountSum = QStringLiteral("销售单据%1到第%2行的金额合计超出数值范围");

} // namespace corvina::ImportTexts

namespace corvina::ExportTexts {

// The export to the workbook template; the replace question's title is the plain "提示".
inline const QString ExportTemplateName = QStringLiteral("发票导出数据格式.xlsx");
inline const QString ExportNamePrefix = QStringLiteral("发票数据导出_");
inline const QString ExportSaveFilter = QStringLiteral("Excel文件(*.xlsx)|*.xlsx");
inline const QString ExportSuffix = QStringLiteral("xlsx");
inline const QString ExportNothingListed = QStringLiteral("请先查询选择发票数据，再进行数据导出!");
inline const QString ExportNothingTicked = QStringLiteral("请先选中发票数据，再进行数据导出!");
inline const QString ExportTemplateMissing = QStringLiteral("Excel源文件已损坏或不存在");
inline const QString ExportReplaceQuestion = QStringLiteral("Excel文件已存在，是否替换");
inline const QString ExportCopyFailed = QStringLiteral("复制文件时发生保护性错误，Excel 如在运行，请先关闭！");
inline const QString ExportFillFailed = QStringLiteral("初始化Excel失败，可能没装Excel，或者其他错误。");
inline const QString Exported = QStringLiteral("发票数据导出成功");

} // namespace corvina::ExportTexts
