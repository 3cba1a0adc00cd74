#pragma once

#include <QString>

// Texts the command line shows the clerk beyond the message boxes.
namespace corvina::CliTexts {

// The import's progress line: %1 worksheet rows read, %2 documents stored, %3 already in the store.
inline const QString ImportProgress = QStringLiteral("已读取 %1 行，已存入 %2 张单据，已存在 %3 张");

} // namespace corvina::CliTexts
