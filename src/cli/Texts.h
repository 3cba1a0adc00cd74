#pragma once

#include <QString>

namespace corvina::CliTexts {

// `corvina book`: the captions of what the next invoice carries.
inline const QString BookTaxNumber = QStringLiteral("税号");
inline const QString BookCompanyName = QStringLiteral("企业名称");
inline const QString BookKindId = QStringLiteral("发票种类");
inline const QString BookKindName = QStringLiteral("发票种类名称");
inline const QString BookCode = QStringLiteral("发票代码");
inline const QString BookNextNumber = QStringLiteral("下一张发票号码");
// A database without the invoicing program's tables (%1 the file, %2 the missing tables).
inline const QString BookTablesMissing = QStringLiteral("数据库 %1 不是开票软件的数据库：没有表 %2");

} // namespace corvina::CliTexts
