#pragma once

#include <QString>

namespace corvina::StoreTexts {

inline const QString ConnectionError = QStringLiteral("连接错误:");
inline const QString StatementError = QStringLiteral("出错原因：");

// Reasons given after "连接错误:" when a database file cannot be used.
inline const QString FileMissing = QStringLiteral("数据库文件不存在：%1");
inline const QString CannotCreate = QStringLiteral("无法创建数据库文件 %1：%2");
inline const QString NotADatabase = QStringLiteral("文件 %1 既不是SQLite数据库也不是Access数据库，未作任何改动");
inline const QString NoAccessDriver = QStringLiteral(
    "文件 %1 是Access数据库，但本机没有Access的ODBC驱动（需要Qt的QODBC驱动和MDBTools ODBC驱动 odbc-mdbtools）");
inline const QString AccessOpenFailed = QStringLiteral("无法通过ODBC打开Access数据库 %1：%2");

} // namespace corvina::StoreTexts
