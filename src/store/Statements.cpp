#include "store/Statements.h"
#include "store/DocumentFields.h"

#include <QStringList>
#include <algorithm>
#include <array>

namespace corvina::Statements {

// The texts keep the system's statement shapes; "?" stands where a quoted value stood.

SqlStatement existenceTest(const QString& orderId)
{
    return {
        QStringLiteral("select FCustOrderId,FOK from invoiceMaster where FCustOrderId = ? "), {orderId}, {}, orderId};
}

SqlStatement importCheck(const QString& orderId)
{
    return {QStringLiteral("select (select count(*) from invoiceMaster where FCustOrderId = ?) as headers,"
                           " (select count(*) from invoiceDetail where FCustOrderId = ?) as lines"),
            {orderId, orderId},
            {},
            orderId};
}

SqlStatement clearHeader(const QString& orderId)
{
    return {QStringLiteral("delete from invoiceMaster where FCustOrderId=?"), {orderId}, {}};
}

SqlStatement clearLines(const QString& orderId)
{
    return {QStringLiteral("delete from invoiceDetail where FCustOrderId=?"), {orderId}, {}};
}

namespace {

QString insertText(const QString& table, const auto& fields)
{
    QStringList names;
    QStringList placeholders;
    for (const QLatin1StringView field : fields) {
        names << field;
        placeholders << QLatin1Char(':') + field;
    }
    return QStringLiteral("insert into %1(%2) values(%3)")
        .arg(table, names.join(QLatin1Char(',')), placeholders.join(QLatin1Char(',')));
}

} // namespace

QString insertHeaderText()
{
    static const QString text = insertText(QStringLiteral("invoiceMaster"), DocumentFields::Imported);
    return text;
}

QString insertLineText()
{
    static const QString text = insertText(QStringLiteral("invoiceDetail"), DocumentFields::Line);
    return text;
}

namespace {

QString insertRowsText(const QString& table, const auto& fields, int count)
{
    QStringList names;
    QStringList marks;
    for (const QLatin1StringView field : fields) {
        names << field;
        marks << QStringLiteral("?");
    }
    const QString row = QLatin1Char('(') + marks.join(QLatin1Char(',')) + QLatin1Char(')');
    QStringList rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i)
        rows << row;
    return QStringLiteral("insert into %1(%2) values%3")
        .arg(table, names.join(QLatin1Char(',')), rows.join(QLatin1Char(',')));
}

} // namespace

QString insertLinesText(int count)
{
    return insertRowsText(QStringLiteral("invoiceDetail"), DocumentFields::Line, count);
}

QString insertHeadersText(int count)
{
    return insertRowsText(QStringLiteral("invoiceMaster"), DocumentFields::Imported, count);
}

QString insertWholeHeadersText(int count)
{
    std::array<QLatin1StringView, DocumentFields::Imported.size() + DocumentFields::Issued.size()> fields{};
    std::copy(DocumentFields::Issued.begin(), DocumentFields::Issued.end(),
              std::copy(DocumentFields::Imported.begin(), DocumentFields::Imported.end(), fields.begin()));
    return insertRowsText(QStringLiteral("invoiceMaster"), fields, count);
}

SqlStatement markIssuedWhereNot(const QString& code, const QString& number, const QString& orderId)
{
    return {QStringLiteral("update invoiceMaster set FOK='1',FInvCode=?,FInvNumber=? where FCustOrderId=?"
                           " and (FOK is null or trim(FOK)<>'1') and not exists (select 1 from issueJournal"
                           " where issueJournal.FCustOrderId=invoiceMaster.FCustOrderId and FClosedAt is null)"),
            {code, number, orderId},
            {},
            orderId};
}

SqlStatement invoiceQuery(const QString& stateValue, const QString& from, const QString& to)
{
    // In import order on either engine: a server hands rows back in no fixed order, and moves an
    // edited row to the end ({rowOrder} is the engine's own tie-break, see SqlConnection).
    return {QStringLiteral("select * from InvoiceMaster where FOK=? ") +
                QStringLiteral(" and FInDate>=? and FInDate<=? order by FInDate,{rowOrder}"),
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

SqlStatement invoiceHolders(const QString& code, const QString& number)
{
    // Locked on the pair itself: two desks checking the same pair decide one after the other.
    return {QStringLiteral("select FCustOrderId,FOK from invoiceMaster where FInvCode=? and FInvNumber=?"),
            {code, number},
            {},
            QStringLiteral("invoice\n") + code + QLatin1Char('\n') + number};
}

SqlStatement duplicateInvoices()
{
    // Issued documents only (a document stored as not issued holds no invoice); grouped, not
    // compared row by row, so that it is linear on both engines, with or without an index.
    return {QStringLiteral("select m.FInvCode,m.FInvNumber,m.FCustOrderId from invoiceMaster m join (select FInvCode,"
                           "FInvNumber from invoiceMaster where trim(FOK)='1' and FInvCode<>'' and FInvNumber<>'' "
                           "group by FInvCode,FInvNumber having count(*)>1) d on m.FInvCode=d.FInvCode and "
                           "m.FInvNumber=d.FInvNumber where trim(m.FOK)='1' order by m.FInvCode,m.FInvNumber,"
                           "m.FCustOrderId"),
            {},
            {}};
}

namespace {
// Whether a run still holds the attempt is told by the store's own clock, so that desks whose
// clocks differ agree.
const QString kAttemptColumns = QStringLiteral("FAttemptId,FCustOrderId,FInvCode,FInvNumber,FStartedAt,FOutcome,"
                                               "FFinishedAt,FClosedAt,FSettledState,FSettledCode,FSettledNumber,"
                                               "FStation,FSettledBy,case when FLeaseUntil>{storeNow} then 1 else 0 "
                                               "end as FLeaseLive");
} // namespace

SqlStatement documentState(const QString& orderId)
{
    return {QStringLiteral("select FOK,FInvCode,FInvNumber from invoiceMaster where FCustOrderId=?"),
            {orderId},
            {},
            orderId};
}

SqlStatement openAttempt(const QString& orderId)
{
    return {QStringLiteral("select ") + kAttemptColumns +
                QStringLiteral(" from issueJournal where FCustOrderId=? and FClosedAt is null"),
            {orderId},
            {}};
}

SqlStatement openAttemptsWithInvoice(const QString& code, const QString& number)
{
    return {QStringLiteral("select ") + kAttemptColumns +
                QStringLiteral(" from issueJournal where FInvCode=? and FInvNumber=? and FClosedAt is null"),
            {code, number},
            {}};
}

SqlStatement openAttemptDocuments()
{
    return {QStringLiteral("select FCustOrderId from issueJournal where FClosedAt is null"), {}, {}};
}

SqlStatement beginAttempt(const QString& orderId, const QString& code, const QString& number, const QString& startedAt,
                          const QString& station, int leaseSeconds)
{
    return {QStringLiteral("insert into issueJournal(FCustOrderId,FInvCode,FInvNumber,FStartedAt,FOutcome,FStation,"
                           "FLeaseUntil) values(?,?,?,?,'pending',?,{storeNow}+?)"),
            {orderId, code, number, startedAt, station, leaseSeconds},
            {}};
}

SqlStatement numberAttempt(qint64 id, const QString& code, const QString& number)
{
    return {QStringLiteral("update issueJournal set FInvCode=?,FInvNumber=? where FAttemptId=? and FClosedAt is null"),
            {code, number, id},
            {}};
}

SqlStatement renewLease(qint64 id, int leaseSeconds)
{
    return {QStringLiteral("update issueJournal set FLeaseUntil={storeNow}+? where FAttemptId=? and FClosedAt is null "
                           "and FLeaseUntil is not null"),
            {leaseSeconds, id},
            {}};
}

SqlStatement releaseLease(qint64 id)
{
    return {QStringLiteral("update issueJournal set FLeaseUntil=null where FAttemptId=?"), {id}, {}};
}

SqlStatement withdrawAttempt(qint64 id)
{
    return {QStringLiteral("delete from issueJournal where FAttemptId=? and FOutcome='pending' and FClosedAt is null"),
            {id},
            {}};
}

SqlStatement attemptById(qint64 id)
{
    return {QStringLiteral("select ") + kAttemptColumns + QStringLiteral(" from issueJournal where FAttemptId=?"),
            {id},
            {}};
}

SqlStatement finishAttempt(qint64 id, const QString& outcome, const QString& finishedAt, const QString& closedAt)
{
    // Only an attempt still open: a settlement is never written over. The run lets go of it either way.
    return {QStringLiteral("update issueJournal set FOutcome=?,FFinishedAt=?,FClosedAt=?,FLeaseUntil=null "
                           "where FAttemptId=? and FClosedAt is null"),
            {outcome, finishedAt, closedAt.isEmpty() ? QVariant() : QVariant(closedAt), id},
            {}};
}

SqlStatement settleAttempt(qint64 id, const QString& closedAt, const QString& stateValue, const QString& code,
                           const QString& number, const QString& settledBy)
{
    return {QStringLiteral("update issueJournal set FClosedAt=?,FSettledState=?,FSettledCode=?,FSettledNumber=?,"
                           "FSettledBy=?,FLeaseUntil=null where FAttemptId=? and FClosedAt is null"),
            {closedAt, stateValue, code, number, settledBy, id},
            {}};
}

SqlStatement journalListing(const QString& from, const QString& to)
{
    return {QStringLiteral("select ") + kAttemptColumns +
                QStringLiteral(" from issueJournal where (FStartedAt>=? and FStartedAt<=?) or FClosedAt is null "
                               "order by FAttemptId"),
            {from, to},
            {}};
}

} // namespace corvina::Statements
