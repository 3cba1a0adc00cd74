#pragma once

#include <QString>

// Texts of the invoice browser: selection totals, deletion and the edit dialog.
namespace corvina::BrowserTexts {

inline const QString CountPrefix = QStringLiteral("选中的发票张数为:");
inline const QString AmountPrefix = QStringLiteral("选中的发票金额为:");
// A ticked row whose amount cannot be added up; %1 the document number, %2 the amount text.
inline const QString AmountNotANumber = QStringLiteral("销售单据号“%1”的总金额“%2”不是有效的数字，无法合计。");

inline const QString DeleteNothingListed = QStringLiteral("请先查询选择发票数据，再删除发票!");
inline const QString DeleteNothingTicked = QStringLiteral("请先选中发票数据，再删除发票!");
inline const QString DeleteQuestion = QStringLiteral("您确定要删除所选取的发票吗？");

inline const QString EditCaption = QStringLiteral("发票修改");
inline const QString EditCodeLabel = QStringLiteral("发票代号");
inline const QString EditNumberLabel = QStringLiteral("发票编号");
inline const QString EditStateLabel = QStringLiteral("发票状态");
inline const QString EditOk = QStringLiteral("确定(&O)");
inline const QString EditCancel = QStringLiteral("取消(&C)");
// A state text that is neither entry would hide the document from every query.
inline const QString EditStateUnknown = QStringLiteral("发票状态只能是“未开票”或“已开票”，请重新选择!");

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

} // namespace corvina::BrowserTexts
