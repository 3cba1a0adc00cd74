#pragma once

#include "invoices/InvoiceList.h"
#include "invoicing/TIssuingData.h"

#include <QString>
#include <QStringList>

namespace corvina {

class Clock;
class Rows;
class Prompter;

// Turns every "&" into "-"; nothing else changes.
QString ReplaceAmpersand(const QString& text);

// Escapes a value for a request file, so that the file stays well-formed whatever the clerk
// typed: "&", "<", ">" and '"' become references, tab, CR and LF become character references
// (a parser would otherwise fold them away), and characters XML cannot carry at all are dropped.
// Text without any of these comes back unchanged.
QString escapeRequestValue(const QString& value);

// Writes the two request files the invoicing program takes an invoice from: the control file
// (path ending in "e.xml") and the record file (any other path). A formatter of the pending row's
// texts, the issuing data and the document's line items; it reads nothing itself. Runs on the
// batch thread.
class RequestFileWriter {
public:
    RequestFileWriter(const TIssuingData& data, const PrintOffsets& offsets, const Clock& clock, Prompter& prompter);

    // `path` is a Windows-style text (kaippath + "\Config\..."); `row` the list row as the run
    // found it; `lineItems` the document's stored line items in line order (FItem, FCount, FPrice,
    // FSum; the control file uses none). True when the whole file was written and closed;
    // otherwise one error box (path + "更新失败!") has been shown: the control file keeps its
    // previous content, the record file the lines written so far.
    bool WriteRequestFile(const QString& path, const InvoiceRow& row, const Rows& lineItems);

private:
    class LineSink;
    bool writeControlFile(const QString& nativeFile) const;
    bool writeRecordFile(const QString& nativeFile, const InvoiceRow& row, const Rows& lineItems) const;
    void writeControl(LineSink& out) const;
    void writeRecord(LineSink& out, const InvoiceRow& row, const Rows& items) const;

    const TIssuingData& m_data;
    const PrintOffsets& m_offsets;
    const Clock& m_clock;
    Prompter& m_prompter;
};

} // namespace corvina
