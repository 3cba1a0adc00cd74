#pragma once

#include "invoices/Texts.h"

#include <QString>
#include <QStringList>

// Texts the command line shows the clerk beyond the message boxes.
namespace corvina::CliTexts {

// The import's progress line: %1 worksheet rows read, %2 documents stored, %3 already in the store.
inline const QString ImportProgress = QStringLiteral("已读取 %1 行，已存入 %2 张单据，已存在 %3 张");

// `corvina book`: the captions of what the next invoice carries (its code under the list's caption).
inline const QString BookTaxNumber = QStringLiteral("税号");
inline const QString BookCompanyName = QStringLiteral("企业名称");
inline const QString BookKindId = QStringLiteral("发票种类");
inline const QString BookKindName = QStringLiteral("发票种类名称");
inline const QString BookNextNumber = QStringLiteral("下一张发票号码");
// A database without the invoicing program's tables (%1 the file, %2 the missing tables).
inline const QString BookTablesMissing = QStringLiteral("数据库 %1 不是开票软件的数据库：没有表 %2");

} // namespace corvina::CliTexts
