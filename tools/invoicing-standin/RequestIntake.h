#pragma once

#include "app/Clock.h"

#include <QString>

namespace corvina::standin {

struct IntakeOutcome {
    bool recorded = false;
    QString message; // what happened, for the dialog and the log
    QString code;    // FPDM and FPHM of the recorded invoice
    QString number;
};

// What pressing "保存" does: reads Config/invoice.xml and Config/invoicedata_6.xml of the folder
// with a strict parser, checks them against the enabled book and records the invoice (header and
// rows) and the book's next number in one transaction. A malformed or mismatching request is
// refused and nothing is recorded. Either way one line goes into the folder's standin.log.
IntakeOutcome takeInRequest(const QString& folder, const Clock& clock);

} // namespace corvina::standin
