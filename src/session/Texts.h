#pragma once

#include <QString>

// What moving the replaced program's Access store says.
namespace corvina::MoveTexts {

inline const QString Question =
    QStringLiteral("本程序的数据库 %1 是原来程序的Access数据库，其中有单据 %2 张（已开票 %3 张）、明细 %4 行。\n\n"
                   "是否把这些单据移入本程序的数据库 %5？\n\n"
                   "移入后逐表核对行数和金额合计，无误后原文件改名为 %6 保存在原处，不作任何改动，也不删除。"
                   "核对不符或出错时不作任何改动。");
inline const QString Done =
    QStringLiteral("已把单据 %1 张（已开票 %2 张）、明细 %3 行移入 %4。原Access数据库保存为 %5。");
// After the store's name when the new store takes the old file's name.
inline const QString NewStoreNote = QStringLiteral("（新建的SQLite数据库，沿用这个文件名）");
inline const QString DoneAlreadyThere = QStringLiteral("数据库中已有的单据 %1 张保持原样未移入");
inline const QString DoneMarkedIssued =
    QStringLiteral("，其中 %1 张在数据库中为未开票、在原数据库中已开票，已按原数据库标为已开票并记下发票代码和号码");
inline const QString Failed = QStringLiteral("单据未移入，所有文件和数据库未作任何改动：%1");
inline const QString MissingTable = QStringLiteral("Access数据库 %1 中没有表 %2，不是原来的单据数据库");
inline const QString MissingColumns = QStringLiteral("Access数据库 %1 的表 %2 中没有列 %3，不是原来的单据数据库");
inline const QString Mismatch = QStringLiteral("核对不符：%1在Access数据库中为 %2，在本程序的数据库中为 %3");
inline const QString IssuedMismatch =
    QStringLiteral("核对不符：已开票的单据 %1 的发票代码和号码在本程序的数据库中不同");
inline const QString StoreIsAccess =
    QStringLiteral("本程序的数据库 %1 本身也是Access数据库：请先移入它（不带 --from 运行 corvina migrate）");
inline const QString LeftoverLog = QStringLiteral("%1 旁边有一个不属于它的SQLite日志文件 %2：请先把它移走，再移入单据");
inline const QString BackupFailed = QStringLiteral("无法把 %1 复制为 %2：%3");
inline const QString ReplaceFailed = QStringLiteral("无法把新的数据库写为 %1：%2");
inline const QString RenameFailed = QStringLiteral(
    "单据已移入并核对无误，但原Access数据库 %1 未能改名为 %2（文件可能正被其他程序打开）：请关闭其他程序后自行改名");
inline const QString Log = QStringLiteral(
    "从原Access数据库 %1 移入单据 %2 张（已开票 %3 张）、明细 %4 行到 %5；原文件保存为 %6；已有的单据 %7 张，"
    "其中按原数据库标为已开票 %8 张；重复的单据行 %9 行");
inline const QString LogIgnoredColumns = QStringLiteral("；忽略的列 %1 个：%2");

// The quantities checked, as the mismatch names them.
inline const QString DocumentRows = QStringLiteral("单据数");
inline const QString LineRows = QStringLiteral("明细行数");
inline const QString NoTaxSumTotal = QStringLiteral("总金额（FNoTaxSum）合计");
inline const QString SumTotal = QStringLiteral("明细金额（FSum）合计");

} // namespace corvina::MoveTexts
