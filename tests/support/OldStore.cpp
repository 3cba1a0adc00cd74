#include "support/OldStore.h"

namespace corvina::test {

namespace {
const QString kChinese = QStringLiteral("上海远洋贸易有限公司");

} // namespace

QString documentId(int n)
{
    return QStringLiteral("XS2024%1").arg(n, 4, 10, QLatin1Char('0'));
}

JetFile oldStore(Typing typing, int documents, int linesEach, const QStringList& extra, const QStringList& ids)
{
    const auto idOf = [&](int n) { return n <= ids.size() ? ids[n - 1] : documentId(n); };
    const bool typed = typing == Typing::Typed;
    JetTable master{QStringLiteral("invoiceMaster"), {}, {}};
    for (const char* name : {"FCustOrderId", "FCustName", "FCustPo", "FCustOutportNo", "FCustAcc", "FCustSinature",
                             "FCustContractNo", "FCustCX", "FCustVF"})
        master.columns << JetColumn{QString::fromLatin1(name), JetType::Text, 255};
    for (int i = 1; i <= 5; ++i)
        master.columns << JetColumn{QStringLiteral("FMM%1").arg(i), typed ? JetType::Memo : JetType::Text, 255};
    master.columns << JetColumn{QStringLiteral("FInDate"), typed ? JetType::DateTime : JetType::Text, 16}
                   << JetColumn{QStringLiteral("FOK"), JetType::Text, 1}
                   << JetColumn{QStringLiteral("FNoTaxSum"), typed ? JetType::Currency : JetType::Text, 30}
                   << JetColumn{QStringLiteral("FInvCode"), JetType::Text, 20}
                   << JetColumn{QStringLiteral("FInvNumber"), JetType::Text, 20};
    for (const QString& column : extra)
        master.columns << JetColumn{column, JetType::Text, 50};
    JetTable detail{QStringLiteral("invoiceDetail"), {}, {}};
    detail.columns << JetColumn{QStringLiteral("FCustOrderId"), JetType::Text, 50}
                   << JetColumn{QStringLiteral("FNo"), typed ? JetType::Long : JetType::Text, 10}
                   << JetColumn{QStringLiteral("FItem"), JetType::Text, 255}
                   << JetColumn{QStringLiteral("FCount"), typed ? JetType::Double : JetType::Text, 30}
                   << JetColumn{QStringLiteral("FPrice"), typed ? JetType::Double : JetType::Text, 30}
                   << JetColumn{QStringLiteral("FSum"), typed ? JetType::Double : JetType::Text, 30};

    for (int n = 1; n <= documents; ++n) {
        const bool issued = n % 3 == 1;
        const QDateTime imported(QDate(2013, 5, 7), QTime(9, 3, 59).addSecs(n * 60));
        const QString remark = n == 2 ? QString(typed ? 1900 : 100, QChar(0x5907)) : QStringLiteral("备注%1").arg(n);
        QVariantList row = {idOf(n),
                            n == 1 ? kChinese : QStringLiteral("Hamburg Import GmbH %1").arg(n),
                            QStringLiteral("HT-%1").arg(n),
                            QString(),
                            QVariant(),
                            QStringLiteral("王芳"),
                            QStringLiteral("FH%1").arg(n),
                            QStringLiteral("CX%1").arg(n),
                            QStringLiteral("HX%1").arg(n),
                            remark,
                            QString(),
                            QVariant(),
                            QVariant(),
                            QVariant()};
        row << (typed ? QVariant(imported) : QVariant(imported.toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
        row << QString(issued ? QStringLiteral("1") : QStringLiteral("0"));
        // Four decimals where the old store kept them.
        row << (typed ? QVariant(QStringLiteral("%1.4567").arg(1000 + n))
                      : QVariant(QStringLiteral("%1.46").arg(1000 + n)));
        row << (issued ? QVariant(QStringLiteral("3100071140")) : QVariant())
            << (issued ? QVariant(QStringLiteral("%1").arg(20000000 + n, 8, 10, QLatin1Char('0'))) : QVariant());
        for (int e = 0; e < extra.size(); ++e)
            row << QStringLiteral("extra %1").arg(n);
        master.rows << row;
        for (int l = 1; l <= linesEach; ++l) {
            detail.rows << QVariantList{idOf(n),
                                        typed ? QVariant(l) : QVariant(QString::number(l)),
                                        QStringLiteral("货物%1-%2 规格A").arg(n).arg(l),
                                        typed ? QVariant(2.5) : QVariant(QStringLiteral("2.5")),
                                        typed ? QVariant(12.3456) : QVariant(QStringLiteral("12.3456")),
                                        typed ? QVariant(30.864) : QVariant(QStringLiteral("30.8640"))};
        }
    }
    return {{master, detail}, QStringLiteral("qorvelmint"), {}, true};
}

} // namespace corvina::test
