#pragma once

// Documents put straight into a local store through the import's own insert statements, for
// tests of what the browser does with stored documents.

#include "store/LocalStore.h"
#include "store/Rows.h"
#include "store/Statements.h"

namespace corvina::test {

struct SeedDocument {
    QString id;
    QString sum = QStringLiteral("100.00");
    int lines = 2;
    QString fok = QStringLiteral("0");
    QString inDate = QStringLiteral("2024-03-05 14:07");
};

inline void seedDocument(LocalStore& store, const SeedDocument& d)
{
    SqlStatement header{Statements::insertHeaderText(), {}, {}};
    const char* fields[] = {"FCustName", "FCustPo", "FCustOutportNo", "FCustAcc", "FCustSinature", "FCustContractNo",
                            "FCustCX",   "FCustVF", "FMM1",           "FMM2",     "FMM3",          "FMM4",
                            "FMM5"};
    header.named.append({QStringLiteral(":FCustOrderId"), d.id});
    for (const char* f : fields)
        header.named.append(
            {QStringLiteral(":") + QLatin1String(f), QStringLiteral("%1-%2").arg(d.id, QLatin1String(f))});
    header.named.append({QStringLiteral(":FInDate"), d.inDate});
    header.named.append({QStringLiteral(":FOK"), d.fok});
    header.named.append({QStringLiteral(":FNoTaxSum"), d.sum});
    store.run(header);
    for (int n = 1; n <= d.lines; ++n) {
        SqlStatement line{Statements::insertLineText(), {}, {}};
        line.named = {{QStringLiteral(":FCustOrderId"), d.id},
                      {QStringLiteral(":FNo"), QString::number(n)},
                      {QStringLiteral(":FItem"), QStringLiteral("%1 item %2").arg(d.id).arg(n)},
                      {QStringLiteral(":FCount"), QString::number(n * 10)},
                      {QStringLiteral(":FPrice"), QStringLiteral("1.5")},
                      {QStringLiteral(":FSum"), QStringLiteral("%1.0000").arg(n * 15)}};
        store.run(line);
    }
}

inline Rows storedHeader(LocalStore& store, const QString& id)
{
    return store.select({QStringLiteral("select * from invoiceMaster where FCustOrderId=?"), {id}, {}});
}

inline int storedLineCount(LocalStore& store, const QString& id)
{
    return store.select({QStringLiteral("select * from invoiceDetail where FCustOrderId=?"), {id}, {}}).count();
}

} // namespace corvina::test
