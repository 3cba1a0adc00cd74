#pragma once

#include "invoices/WorkbookImport.h"

#include <QElapsedTimer>
#include <cstdio>

namespace corvina {

class CliPrompter;

namespace cli {

// The import's progress on a terminal: one line on `stream` (rows read, documents stored),
// rewritten in place at most about ten times a second so that a large workbook does not spend
// its time drawing. The line is ended before any message box and when the import is over.
// Nothing is printed when the stream is not a terminal: logs and pipes get no carriage returns.
class ImportProgressLine {
public:
    explicit ImportProgressLine(std::FILE* stream = stderr);
    ImportProgressLine(std::FILE* stream, bool onTerminal);
    ~ImportProgressLine();

    ImportProgressLine(const ImportProgressLine&) = delete;
    ImportProgressLine& operator=(const ImportProgressLine&) = delete;

    // Shows the counts of `import` and ends the line before each box of `prompter`.
    void follow(WorkbookImport& workbookImport, CliPrompter& prompter);

    void update(const ImportCounts& counts);
    // Draws the last counts if they are not shown yet, then ends the line.
    void finish();

private:
    void draw();

    std::FILE* m_stream;
    bool m_onTerminal;
    CliPrompter* m_prompter = nullptr;
    bool m_lineOpen = false;
    bool m_behind = false; // counts newer than the line shows
    ImportCounts m_counts;
    QElapsedTimer m_sinceDraw;
};

} // namespace cli
} // namespace corvina
