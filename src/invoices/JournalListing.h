#pragma once

#include <QStringList>

namespace corvina {

struct IssueAttempt;

// One attempt of the issuing journal as the journal window and `corvina journal` show it, column
// by column (see BrowserTexts::JournalCaptions).
QStringList journalRowTexts(const IssueAttempt& attempt);

// One line per code and number that several documents hold, from IssueJournal::duplicateInvoices.
QStringList duplicateInvoiceTexts(const std::vector<QStringList>& duplicates);

} // namespace corvina
