#include "invoicing/IssuingStatements.h"

namespace corvina::IssuingStatements {

IssuingRead companyRecord()
{
    return {QStringLiteral("KPZH"),
            {QStringLiteral("NSRSBM"), QStringLiteral("NSRMC"), QStringLiteral("HYFLID"), QStringLiteral("HYFLMC"),
             QStringLiteral("KPZLID"), QStringLiteral("GSZCH"), QStringLiteral("KHYH_ZH"), QStringLiteral("KHYH_EN"),
             QStringLiteral("SWIFTCODE"), QStringLiteral("YHZH"), QStringLiteral("ZCDZ_ZH"), QStringLiteral("ZCDZ_EN"),
             QStringLiteral("TEL"), QStringLiteral("FAX")},
            {},
            {}};
}

IssuingRead industryCode(const QString& industryName)
{
    return {QStringLiteral("DM_FPHYFL"), {QStringLiteral("HYFLDM")}, QStringLiteral("HYFLMC"), industryName};
}

IssuingRead kindName(const QString& kindId)
{
    bool isNumber = false;
    const qlonglong id = kindId.trimmed().toLongLong(&isNumber);
    // The column is numeric; a text id that is not a number simply matches no row.
    const QVariant value = isNumber ? QVariant(id) : QVariant(kindId);
    return {QStringLiteral("DM_KPZL"), {QStringLiteral("KPZLMC")}, QStringLiteral("KPZLID"), value};
}

IssuingRead enabledBook()
{
    return {QStringLiteral("FPB_TZ"),
            {QStringLiteral("KPZLID"), QStringLiteral("FPDM"), QStringLiteral("DQKYH")},
            QStringLiteral("ZTID"),
            3};
}

} // namespace corvina::IssuingStatements
