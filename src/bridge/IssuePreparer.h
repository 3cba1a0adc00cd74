#pragma once

#include "bridge/TIssuingData.h"

#include <QString>

namespace corvina {

class Clock;
class InvoicingReadiness;
class IssuingDatabase;
class Prompter;
class RequestFileWriter;

// Readies one invoice for the invoicing program: checks that the program is ready, brings the
// issuing data up to date from its database and writes both request files. Runs on the batch
// thread; the issuing data it fills is the one the writer reads and the run records.
class IssuePreparer {
public:
    // `kaippath` is the invoicing program's folder exactly as the settings hold it.
    IssuePreparer(InvoicingReadiness& readiness, IssuingDatabase& database, RequestFileWriter& writer,
                  TIssuingData& data, Clock& clock, Prompter& prompter, QString kaippath);

    // True when the issuing data is current and both request files are written. False after one
    // message saying why; nothing is undone.
    bool PrepareIssue(int row);

private:
    bool readCompany();
    bool readBook();

    InvoicingReadiness& m_readiness;
    IssuingDatabase& m_database;
    RequestFileWriter& m_writer;
    TIssuingData& m_data;
    Clock& m_clock;
    Prompter& m_prompter;
    QString m_kaippath;
};

} // namespace corvina
