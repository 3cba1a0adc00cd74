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

// `corvina journal`: its columns, the outcomes, and whether an attempt still waits to be settled.
// The first three are the invoice list's own column captions.
inline const QStringList JournalCaptions = {
    BrowserTexts::ColumnOrderId, BrowserTexts::ColumnCode,   BrowserTexts::ColumnNumber, QStringLiteral("开始时间"),
    QStringLiteral("结果"),      QStringLiteral("结束时间"), QStringLiteral("核对"),     QStringLiteral("开票站")};
inline const QString OutcomePending = QStringLiteral("未完成（开票中断）");
inline const QString OutcomeIssued = QStringLiteral("已开具并记录");
inline const QString OutcomeUnconfirmed = QStringLiteral("开票软件未确认");
inline const QString AttemptOpen = QStringLiteral("待核对");
inline const QString AttemptClosed = QStringLiteral("—");
inline const QString SettledIssued = QStringLiteral("已核对：已开票 %1 %2");
inline const QString SettledNotIssued = QStringLiteral("已核对：未开票");

} // namespace corvina::CliTexts
