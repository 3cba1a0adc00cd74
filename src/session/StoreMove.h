#pragma once

#include "app/Settings.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace corvina {

class Clock;
class Prompter;

// What moving the store of the program this one replaces (an Access SysData.mdb with the two
// document tables) found and did.
struct StoreMoveSummary {
    QString source;             // the Access file
    QString target;             // the store the documents go into, as messages show it
    QString keptAs;             // the name the Access file is kept under afterwards
    int documents = 0;          // invoiceMaster rows read
    int lines = 0;              // invoiceDetail rows read
    int issued = 0;             // documents read whose state is "1"
    int duplicates = 0;         // header rows whose number came before (one kept: an issued one first)
    int alreadyThere = 0;       // documents the target store holds already: left as they are
    int markedIssued = 0;       // of those, issued in the Access file only: now issued with its code and number
    QString noTaxSum;           // the sum of FNoTaxSum over the rows read
    QString sum;                // the sum of FSum over the rows read
    QStringList ignoredColumns; // "table.column" of columns the store has no place for
};

// Moves an Access store's documents into this program's store: every header and line read whole,
// written in one transaction, checked (rows per table, the sums of FNoTaxSum and FSum, each issued
// document's code and number), and only then the switch: the Access file kept under a dated name
// beside it, never changed. A failure at any step leaves the folder and the store as they were.
class StoreMove {
public:
    // `accessFile`: the file to move (native path). The documents go into the shared store when
    // the settings name one, else into the file at LocalStorePath: a new one when that is the
    // Access file itself.
    // `prompter` is what the stores opened here are made with (they show nothing: failures come
    // back as reasons).
    StoreMove(const AppSettings& settings, QString accessFile, Prompter& prompter, const Clock& clock);
    ~StoreMove();
    StoreMove(const StoreMove&) = delete;
    StoreMove& operator=(const StoreMove&) = delete;

    // Reads the Access file whole; false with the reason (unreadable file, missing table or
    // column). The summary then holds what was read.
    bool read(QString* reason);
    // Writes, checks and switches; false with the reason, nothing changed. Call after read().
    bool move(QString* reason);
    const StoreMoveSummary& summary() const;

private:
    struct Data;
    std::unique_ptr<Data> d;
};

// The Access file the application folder's store is (told by its first bytes), or empty.
QString accessStoreOf(const AppSettings& settings);

// The question asked before moving, and what is said after it.
QString storeMoveQuestion(const StoreMoveSummary& summary);
QString storeMoveDone(const StoreMoveSummary& summary);
// The counts and sums, a line each ("--dry-run" prints them).
QString storeMoveCounts(const StoreMoveSummary& summary);

// The window's start: when the folder's store is an Access file, asks and moves it, with a box for
// the outcome. False only when the clerk said No or the move failed.
bool offerStoreMove(const AppSettings& settings, Prompter& prompter, const Clock& clock);

} // namespace corvina
