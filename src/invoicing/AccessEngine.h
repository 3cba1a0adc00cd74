#pragma once

#include "invoicing/IssuingEngine.h"

#include <memory>

namespace corvina {

// The reader of Access (Jet 3, Jet 4, ACE) files. Each build links one backend, chosen by CMake:
// the MDB Tools library (the default on both systems) or the system's Access ODBC driver. The
// password is the file's database password, given to backends that ask for it.
std::unique_ptr<IssuingEngine> makeAccessEngine(const QString& nativePath, const QString& password);

// How often a read that finds the file unreadable (it may be being written) is made before it is
// reported, and the first pause between two (each next one twice as long): 4 and 100 ms unless
// changed. Readers of files damaged on purpose (fuzzing, tests) make one attempt.
void setAccessReadAttempts(int attempts, int firstPauseMs);

} // namespace corvina
