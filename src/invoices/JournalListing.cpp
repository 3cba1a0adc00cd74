#include "invoices/JournalListing.h"

#include "invoices/Texts.h"
#include "store/IssueJournal.h"

namespace corvina {

namespace {

QString outcomeText(const IssueAttempt& a)
{
    const QString& outcome = a.outcome;
    if (a.isOpen() && a.leaseLive)
        return BrowserTexts::OutcomeRunning;
    if (outcome == IssueJournal::Issued)
        return BrowserTexts::OutcomeIssued;
    if (outcome == IssueJournal::Unconfirmed)
        return BrowserTexts::OutcomeUnconfirmed;
    return BrowserTexts::OutcomePending;
}

QString settlementText(const IssueAttempt& a)
{
    if (a.isOpen())
        return a.leaseLive ? BrowserTexts::AttemptRunning : BrowserTexts::AttemptOpen;
    if (a.settledState == QLatin1String("1"))
        return (a.settledWithOtherNumbers() ? BrowserTexts::SettledIssuedOther : BrowserTexts::SettledIssued)
            .arg(a.settledCode, a.settledNumber);
    if (a.settledState == QLatin1String("0"))
        return BrowserTexts::SettledNotIssued;
    return BrowserTexts::AttemptClosed;
}

} // namespace

QStringList journalRowTexts(const IssueAttempt& a)
{
    return {a.orderId,         a.code,    a.number,   a.startedAt, outcomeText(a), a.finishedAt,
            settlementText(a), a.station, a.settledBy};
}

QStringList duplicateInvoiceTexts(const std::vector<QStringList>& duplicates)
{
    QStringList lines;
    for (size_t i = 0; i < duplicates.size();) {
        const QString code = duplicates[i].value(0);
        const QString number = duplicates[i].value(1);
        QStringList documents;
        for (; i < duplicates.size() && duplicates[i].value(0) == code && duplicates[i].value(1) == number; ++i)
            documents << duplicates[i].value(2);
        lines << BrowserTexts::DuplicateInvoice.arg(code, number, documents.join(QStringLiteral("、")));
    }
    return lines;
}

} // namespace corvina
