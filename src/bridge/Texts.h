#pragma once

#include <QString>

namespace corvina::BridgeTexts {

// Appended directly to the full path of a request file that could not be written.
inline const QString UpdateFailed = QStringLiteral("更新失败!");
// Prefix of every database error while the issuing data is prepared.
inline const QString ErrorPrefix = QStringLiteral("发生错误：");
inline const QString NoEnabledBook = QStringLiteral("没有发票薄被启用，请启用发票薄!");
inline const QString BookUsedUp = QStringLiteral("发票已经用完，请启用其他发票薄!");
inline const QString NoCompanyRecord =
    QStringLiteral("开票软件数据库中没有企业信息（KPZH 表无记录），不能开具发票。请先在开票软件中设置企业信息。");

} // namespace corvina::BridgeTexts
