#pragma once

#include <QString>
#include <optional>

namespace corvina {

class Clock;
class IssuingDatabase;

// The enabled invoice book (FPB_TZ with ZTID = 3, the first row) as the invoicing program's
// database shows it at one moment.
struct EnabledBook {
    bool enabled = false;
    QString code;   // FPDM
    QString number; // DQKYH
};

// Reads the enabled book over a freshly reopened connection, as the preparation reads it, so that
// what the invoicing program wrote since is seen. nullopt, without a message, when the database
// cannot be opened or read.
std::optional<EnabledBook> readEnabledBookQuietly(IssuingDatabase& database);

// After the issuing dialog's buttons were pressed: whether the invoicing program has used the
// number, as its book tells. The book no longer offers `number` of `code` as its current free
// number once DQKYH has moved on, another book (another FPDM) is enabled, or none is. The book is
// read at once and then every ConfirmPollInterval ms through the clock, ConfirmPolls times at
// most (about ten seconds); it is used once ConfirmReads reads in a row say so (a move seen at the
// last poll gets its confirming reads), and a read that fails counts as not yet.
class IssueConfirmation {
public:
    static constexpr int ConfirmPollInterval = 200;
    static constexpr int ConfirmPolls = 50;
    static constexpr int ConfirmReads = 2;

    static bool usedUp(const EnabledBook& book, const QString& code, const QString& number);
    static bool ConfirmIssue(IssuingDatabase& database, Clock& clock, const QString& code, const QString& number);
};

} // namespace corvina
