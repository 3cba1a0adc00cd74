#pragma once

#include "invoices/ImportedDocument.h"

#include <vector>

namespace corvina {

class Clock;
class LocalStore;

// Stores one imported document: header and lines in one transaction, so a failure leaves
// nothing of it behind and a later import stores it whole. A document whose number is already
// stored is left as it is (AlreadyPresent), but its quantities and prices are still checked.
// Errors throw Failure with the clerk's reason; the transaction is rolled back first.
StoreOutcome StoreImportedDocument(LocalStore& store, const Clock& clock, const ImportedDocument& document);

// Stores a group of documents inside the caller's transaction, which holds their locks
// (LocalStore::lockKeys): what the store holds of them read in two selects, their headers and
// lines written many to a statement, no savepoint of their own. Every document's numbers are
// checked before anything is written; any failure throws and leaves the caller's transaction to be
// rolled back whole (and the group stored again a document at a time). The outcomes come in the
// documents' order.
std::vector<StoreOutcome> StoreImportedGroup(LocalStore& store, const Clock& clock,
                                             const std::vector<const ImportedDocument*>& documents);

} // namespace corvina
