#pragma once

#include "invoicing/TIssuingData.h"

#include <QString>

namespace corvina {

class Clock;
class IssuingDatabase;
class LocalStore;
class Prompter;
class RequestFileWriter;
struct InvoiceRow;

// Readies one invoice for the invoicing program: brings the issuing data up to date from its
// database and writes both request files for the row. Runs on the batch thread once the caller has
// found the invoicing program ready; the issuing data it fills is the one the writer reads and the
// run records.
class IssuePreparer {
public:
    // `kaippath` is the invoicing program's folder exactly as the settings hold it; `store` gives
    // the document's line items.
    IssuePreparer(IssuingDatabase& database, LocalStore& store, RequestFileWriter& writer, TIssuingData& data,
                  Clock& clock, Prompter& prompter, QString kaippath);

    // True when the issuing data is current and both request files are written for `row`, the
    // texts of the pending row as the run found it. False after one message saying why; nothing
    // is undone.
    bool PrepareIssue(const InvoiceRow& row);

private:
    bool readCompany();
    bool readBook();

    IssuingDatabase& m_database;
    LocalStore& m_store;
    RequestFileWriter& m_writer;
    TIssuingData& m_data;
    Clock& m_clock;
    Prompter& m_prompter;
    QString m_kaippath;
};

} // namespace corvina
