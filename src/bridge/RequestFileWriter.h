#pragma once

#include "bridge/TIssuingData.h"

#include <QString>
#include <QStringList>

namespace corvina {

class Clock;
class InvoiceList;
class LocalStore;
class Prompter;

// Turns every "&" into "-"; nothing else changes.
QString ReplaceAmpersand(const QString& text);

// Escapes a value for a request file, so that the file stays well-formed whatever the clerk
// typed: "&", "<", ">" and '"' become references, tab, CR and LF become character references
// (a parser would otherwise fold them away), and characters XML cannot carry at all are dropped.
// Text without any of these comes back unchanged.
QString escapeRequestValue(const QString& value);

// Writes the two request files the invoicing program takes an invoice from: the control file
// (path ending in "e.xml") and the record file (any other path). Runs on the batch thread.
class RequestFileWriter {
public:
    RequestFileWriter(const InvoiceList& list, const TIssuingData& data, const PrintOffsets& offsets, LocalStore& store,
                      const Clock& clock, Prompter& prompter);

    // `path` is a Windows-style text (kaippath + "\Config\..."). True when the whole file was
    // written and closed; otherwise one error box (path + "更新失败!") has been shown and the lines
    // written so far stay in the file.
    bool WriteRequestFile(const QString& path, int row);

private:
    class LineSink;
    void writeControl(LineSink& out) const;
    void writeRecord(LineSink& out, int row) const;
    QString cell(int row, int column) const;

    const InvoiceList& m_list;
    const TIssuingData& m_data;
    const PrintOffsets& m_offsets;
    LocalStore& m_store;
    const Clock& m_clock;
    Prompter& m_prompter;
};

} // namespace corvina
