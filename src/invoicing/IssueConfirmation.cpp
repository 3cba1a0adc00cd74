#include "invoicing/IssueConfirmation.h"

#include "app/Clock.h"
#include "app/Failure.h"
#include "invoicing/IssuingDatabase.h"
#include "invoicing/IssuingStatements.h"

namespace corvina {

std::optional<EnabledBook> readEnabledBookQuietly(IssuingDatabase& database)
{
    if (!database.reopenQuietly())
        return std::nullopt;
    try {
        const std::optional<Rows> rows = database.select(IssuingStatements::enabledBook());
        if (!rows)
            return std::nullopt;
        EnabledBook book;
        book.enabled = !rows->isEmpty();
        if (book.enabled) {
            book.code = rows->value(0, QStringLiteral("FPDM"));
            book.number = rows->value(0, QStringLiteral("DQKYH"));
        }
        return book;
    } catch (const Failure&) {
        return std::nullopt;
    }
}

bool IssueConfirmation::usedUp(const EnabledBook& book, const QString& code, const QString& number)
{
    return !book.enabled || book.code != code || book.number != number;
}

bool IssueConfirmation::ConfirmIssue(IssuingDatabase& database, Clock& clock, const QString& code,
                                     const QString& number)
{
    // Two reads in a row must agree that the book moved on: the file is read while the invoicing
    // program may be writing it, and one torn read must not pass for an issued invoice.
    int agreeing = 0;
    for (int poll = 0;; ++poll) {
        const std::optional<EnabledBook> book = readEnabledBookQuietly(database);
        agreeing = book && usedUp(*book, code, number) ? agreeing + 1 : 0;
        if (agreeing == ConfirmReads)
            return true;
        // A book seen moving on at the last poll still gets the read that confirms it.
        if (poll >= ConfirmPolls && agreeing == 0)
            return false;
        clock.sleep(ConfirmPollInterval);
    }
}

} // namespace corvina
