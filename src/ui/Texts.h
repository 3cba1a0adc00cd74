#pragma once

#include <QString>

namespace corvina::UiTexts {

inline const QString MainCaption = QStringLiteral("Corvina-出口发票专用");
// Beside the caption when the store file can only be read: the documents are listed, not changed.
inline const QString ReadOnlyCaption = QStringLiteral("（只读：不能修改数据库）");
inline const QString LocalStoreFailed = QStringLiteral("数据库连接错误，请检查配置！");
inline const QString IssuingDatabaseFailed = QStringLiteral("开票软件数据库连接错误，请检查配置！");

// The main window's controls; the run's button is the issuing folder's, the state label the browser's.
inline const QString QueryFrame = QStringLiteral("查询条件");
inline const QString TimeLabel = QStringLiteral("导入时间");
inline const QString To = QStringLiteral("至");
inline const QString Query = QStringLiteral("查询");
inline const QString Import = QStringLiteral("文件导入");
inline const QString Delete = QStringLiteral("删除发票");
inline const QString Export = QStringLiteral("发票导出");
inline const QString SelectAll = QStringLiteral("全选");
inline const QString ClearAll = QStringLiteral("取消全选");
inline const QString CountInitial = QStringLiteral("选中的发票张数为：");
inline const QString SumInitial = QStringLiteral("选中的发票金额为：");
inline const QString F10Note = QStringLiteral("注：按F10可以中途停止开票");

// The issuing journal's window and the main window's button that opens it.
inline const QString Journal = QStringLiteral("开票记录");
inline const QString JournalCaption = QStringLiteral("开票记录（每次开票尝试，及尚未核对的开票）");
inline const QString JournalRange = QStringLiteral("开始时间");
inline const QString JournalOpenAlways = QStringLiteral("（尚未核对的开票总是列出）");
inline const QString JournalSettle = QStringLiteral("核对(&K)");
inline const QString JournalClose = QStringLiteral("关闭");
inline const QString JournalCounts = QStringLiteral("共 %1 次开票，%2 次尚未核对");
inline const QString JournalUnreadable = QStringLiteral("读不出开票记录：");

} // namespace corvina::UiTexts
