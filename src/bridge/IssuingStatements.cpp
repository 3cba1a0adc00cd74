#include "bridge/IssuingStatements.h"

namespace corvina::IssuingStatements {

SqlStatement companyRecord()
{
    return {QStringLiteral("select NSRSBM,NSRMC,HYFLID,HYFLMC,KPZLID,GSZCH,KHYH_ZH,KHYH_EN,SWIFTCODE,YHZH,"
                           "ZCDZ_ZH,ZCDZ_EN,TEL,FAX from KPZH"),
            {},
            {}};
}

SqlStatement industryCode(const QString& industryName)
{
    return {QStringLiteral("select HYFLDM from DM_FPHYFL where HYFLMC=?"), {industryName}, {}};
}

SqlStatement kindName(const QString& kindId)
{
    bool isNumber = false;
    const qlonglong id = kindId.trimmed().toLongLong(&isNumber);
    // The column is numeric; a text id that is not a number simply matches no row.
    const QVariant value = isNumber ? QVariant(id) : QVariant(kindId);
    return {QStringLiteral("select KPZLMC from DM_KPZL where KPZLID=?"), {value}, {}};
}

SqlStatement enabledBook()
{
    return {QStringLiteral("select KPZLID,FPDM,DQKYH from FPB_TZ where ZTID=3"), {}, {}};
}

} // namespace corvina::IssuingStatements
