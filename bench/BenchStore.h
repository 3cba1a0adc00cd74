#pragma once

// A store of many documents for the benchmarks: one to three line items each, all "未开票".

#include "store/LocalStore.h"
#include "store/Statements.h"

namespace corvina::bench {

inline void seedDocuments(LocalStore& store, int documents, const QString& inDate)
{
    store.beginTransaction();
    for (int i = 0; i < documents; ++i) {
        const QString id = QStringLiteral("SO%1").arg(i, 7, 10, QLatin1Char('0'));
        store.run({Statements::insertHeaderText(),
                   {},
                   {{QStringLiteral(":FCustOrderId"), id},
                    {QStringLiteral(":FCustName"), QStringLiteral("Hamburg Import GmbH %1").arg(i % 97)},
                    {QStringLiteral(":FCustPo"), QStringLiteral("HT-%1").arg(i)},
                    {QStringLiteral(":FCustOutportNo"), QStringLiteral("CK%1").arg(i)},
                    {QStringLiteral(":FCustAcc"), QStringLiteral("KJ-%1").arg(i)},
                    {QStringLiteral(":FCustSinature"), QStringLiteral("王小明")},
                    {QStringLiteral(":FCustContractNo"), QStringLiteral("FH%1").arg(i)},
                    {QStringLiteral(":FCustCX"), QString::number(i % 100)},
                    {QStringLiteral(":FCustVF"), QStringLiteral("HX%1").arg(i)},
                    {QStringLiteral(":FMM1"), QStringLiteral("第%1批货物，按时装船").arg(i % 9 + 1)},
                    {QStringLiteral(":FMM2"), QString()},
                    {QStringLiteral(":FMM3"), QString()},
                    {QStringLiteral(":FMM4"), QString()},
                    {QStringLiteral(":FMM5"), QString()},
                    {QStringLiteral(":FInDate"), inDate},
                    {QStringLiteral(":FOK"), QStringLiteral("0")},
                    {QStringLiteral(":FNoTaxSum"), QStringLiteral("%1.50").arg(1000 + i % 5000)}}});
        for (int line = 1; line <= 1 + i % 3; ++line)
            store.run({Statements::insertLineText(),
                       {},
                       {{QStringLiteral(":FCustOrderId"), id},
                        {QStringLiteral(":FNo"), line},
                        {QStringLiteral(":FItem"), QStringLiteral("全棉针织T恤 M码 %1").arg(line)},
                        {QStringLiteral(":FCount"), QStringLiteral("1200")},
                        {QStringLiteral(":FPrice"), QStringLiteral("3.25")},
                        {QStringLiteral(":FSum"), QStringLiteral("3900.00")}}});
    }
    store.commit();
}

} // namespace corvina::bench
