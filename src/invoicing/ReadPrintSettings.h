#pragma once

#include "invoicing/TIssuingData.h"

#include <QString>

namespace corvina {

class Prompter;

// Reads the print offsets back from the invoicing program's control file at the start of a run.
// `fileName` is Windows-style (kaippath + "\Config\invoice.xml"). The whole file is parsed first;
// below the root, named kpkz, nodes are taken by position (kp, then print_info, then its first
// three children), whatever their names. True when both offsets were read into `offsets`;
// otherwise one error box has said why (no file, a file that cannot be parsed, another root, a
// node missing).
bool ReadPrintSettings(const QString& fileName, Prompter& prompter, PrintOffsets& offsets);

} // namespace corvina
