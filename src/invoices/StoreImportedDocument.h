#pragma once

#include "invoices/ImportedDocument.h"

namespace corvina {

class Clock;
class LocalStore;

// Stores one imported document: header and lines in one transaction, so a failure leaves
// nothing of it behind and a later import stores it whole. A document whose number is already
// stored is left as it is (AlreadyPresent), but its quantities and prices are still checked.
// Errors throw Failure with the clerk's reason; the transaction is rolled back first.
StoreOutcome StoreImportedDocument(LocalStore& store, const Clock& clock, const ImportedDocument& document);

} // namespace corvina
