#pragma once

#include <QString>

// Texts of the workbook export, as the clerk sees them.
namespace corvina::ExportTexts {

inline const QString TemplateName = QStringLiteral("发票导出数据格式.xlsx");
inline const QString ProposedNamePrefix = QStringLiteral("发票数据导出_");
inline const QString SaveFilter = QStringLiteral("Excel文件(*.xlsx)|*.xlsx");
inline const QString DefaultSuffix = QStringLiteral("xlsx");

inline const QString NothingListed = QStringLiteral("请先查询选择发票数据，再进行数据导出!");
inline const QString NothingTicked = QStringLiteral("请先选中发票数据，再进行数据导出!");
inline const QString TemplateMissing = QStringLiteral("Excel源文件已损坏或不存在");
inline const QString ReplaceTitle = QStringLiteral("提示");
inline const QString ReplaceQuestion = QStringLiteral("Excel文件已存在，是否替换");
inline const QString CopyFailed = QStringLiteral("复制文件时发生保护性错误，Excel 如在运行，请先关闭！");
inline const QString FillFailed = QStringLiteral("初始化Excel失败，可能没装Excel，或者其他错误。");
inline const QString Exported = QStringLiteral("发票数据导出成功");

} // namespace corvina::ExportTexts
