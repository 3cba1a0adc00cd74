#pragma once

#include <QString>

namespace corvina {

// The package part a relationship target names: relative to the folder of the part that refers to
// it unless it starts with "/"; "../" may climb out of xl/. Percent escapes and "\" are accepted
// as other writers produce them.
QString resolvePackageTarget(const QString& sourcePart, const QString& target);

} // namespace corvina
