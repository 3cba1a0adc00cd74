#include "store/Statements.h"

namespace corvina::Statements {

// The texts keep the system's statement shapes; "?" stands where a quoted value stood.

SqlStatement existenceTest(const QString& orderId)
{
    return {
        QStringLiteral("select FCustOrderId,FOK from invoiceMaster where FCustOrderId = ? "), {orderId}, {}, orderId};
}

SqlStatement clearHeader(const QString& orderId)
{
    return {QStringLiteral("delete from invoiceMaster where FCustOrderId=?"), {orderId}, {}};
}

SqlStatement clearLines(const QString& orderId)
{
    return {QStringLiteral("delete from invoiceDetail where FCustOrderId=?"), {orderId}, {}};
}

QString insertHeaderText()
{
    return QStringLiteral(
        "insert into invoiceMaster(FCustOrderId,FCustName,FCustPo,FCustOutportNo,FCustAcc,FCustSinature,"
        "FCustContractNo,FCustCX,FCustVF,FMM1,FMM2,FMM3,FMM4,FMM5,FInDate,FOK,FNoTaxSum) "
        "values(:FCustOrderId,:FCustName,:FCustPo,:FCustOutportNo,:FCustAcc,:FCustSinature,:FCustContractNo,"
        ":FCustCX,:FCustVF,:FMM1,:FMM2,:FMM3,:FMM4,:FMM5,:FInDate,:FOK,:FNoTaxSum)");
}

QString insertLineText()
{
    return QStringLiteral("insert into invoiceDetail(FCustOrderId,FNo,FItem,FCount,FPrice,FSum) "
                          "values(:FCustOrderId,:FNo,:FItem,:FCount,:FPrice,:FSum)");
}

SqlStatement invoiceQuery(const QString& stateValue, const QString& from, const QString& to)
{
    return {QStringLiteral("select * from InvoiceMaster where FOK=? ") +
                QStringLiteral(" and FInDate>=? and FInDate<=?"),
            {stateValue, from, to},
            {}};
}

SqlStatement lineItems(const QString& orderId)
{
    return {QStringLiteral("select * from invoiceDetail where FCustOrderId=? order by FNo "), {orderId}, {}};
}

SqlStatement requestLineItems(const QString& orderId)
{
    return {QStringLiteral("select * from invoiceDetail where FCustOrderId=? order by FNO"), {orderId}, {}};
}

SqlStatement deleteHeader(const QString& orderId)
{
    return {QStringLiteral("delete * from InvoiceMaster where FCustOrderId=?"), {orderId}, {}};
}

SqlStatement deleteLines(const QString& orderId)
{
    return {QStringLiteral("delete * from InvoiceDetail where FCustOrderId=?"), {orderId}, {}};
}

SqlStatement editUpdate(const QString& code, const QString& number, const QString& stateValue, const QString& orderId)
{
    return {QStringLiteral("update invoicemaster set FInvCode=?,FInvNumber=?,FOK=? ") +
                QStringLiteral(" where FCustOrderId=?"),
            {code, number, stateValue, orderId},
            {}};
}

SqlStatement markIssued(const QString& code, const QString& number, const QString& orderId)
{
    return {QStringLiteral("update invoiceMaster set FOK='1',FInvCode=?,FInvNumber=? where FCustOrderId=?"),
            {code, number, orderId},
            {}};
}

} // namespace corvina::Statements
