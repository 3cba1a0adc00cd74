#pragma once

#include <QString>

namespace corvina {

class Clock;

// Adds one line "[yyyy-mm-dd hh:nn:ss] text" with CR LF to the log, in GBK. The line is appended,
// which gives the same file as loading and rewriting it but never loses the old lines when the
// program dies mid-write. A file that does not end in a line break gets one first. Write errors
// throw Failure.
void AppendLog(const QString& fileName, const QString& text, const Clock& clock);

} // namespace corvina
