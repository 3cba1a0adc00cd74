#pragma once

#include "invoicing/IssuingEngine.h"

#include <memory>

namespace corvina {

// The reader of Access (Jet 3, Jet 4, ACE) files. Each build links one backend, chosen by CMake:
// the Access file library on Linux, the system's Access ODBC driver on Windows. The password is
// the file's database password, given to backends that ask for it.
std::unique_ptr<IssuingEngine> makeAccessEngine(const QString& nativePath, const QString& password);

} // namespace corvina
