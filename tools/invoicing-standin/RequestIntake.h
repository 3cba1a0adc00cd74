#pragma once

#include "app/Clock.h"

#include <QList>
#include <QString>
#include <memory>

namespace corvina::standin {

struct IntakeOutcome {
    bool recorded = false;
    QString message; // what happened, for the dialog and the log
    QString code;    // FPDM and FPHM of the recorded invoice
    QString number;
};

// How the intake departs from a well-behaved invoicing program, so that every way an issue can go
// wrong can be shown for real. The defaults behave.
struct IntakeOptions {
    QList<int> refuseRequests; // the requests (counted from 1 in this program run) refused outright
    bool holdNumber = false;   // issue, but leave the book's current number DQKYH where it was
    int advanceAfterMs = -1;   // issue, and move DQKYH on only this long afterwards (-1: at once)
};

// What pressing "保存" does: reads Config/invoice.xml and Config/invoicedata_6.xml of the folder
// with a strict parser, checks them against the enabled book and records the invoice (header and
// rows) and the book's next number in one transaction. A malformed or mismatching request is
// refused and nothing is recorded. Either way one line goes into the folder's standin.log.
IntakeOutcome takeInRequest(const QString& folder, const Clock& clock);

// The intake of one program run: counts the requests it is given and applies the options. Shared
// by the one-shot intake and by the windows of every platform.
class RequestIntake {
public:
    RequestIntake(QString folder, const Clock& clock, IntakeOptions options);
    // Waits for a delayed move of the book, so that none is lost when the program ends.
    ~RequestIntake();
    RequestIntake(const RequestIntake&) = delete;
    RequestIntake& operator=(const RequestIntake&) = delete;

    IntakeOutcome takeIn();

private:
    class Delayed;
    QString m_folder;
    const Clock& m_clock;
    IntakeOptions m_options;
    int m_requests = 0;
    std::unique_ptr<Delayed> m_delayed;
};

// Moves the enabled book's DQKYH on by one number, keeping its width, as issuing does; with
// `onlyFrom` given, only while DQKYH still reads that. False with `error` set.
bool advanceEnabledBook(const QString& folder, QString& error, const QString& onlyFrom = QString());

} // namespace corvina::standin
