#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvina::fuzz {

// A private folder of this fuzzing process, ending in a separator; created on first use.
QString scratchFolder();
// Writes the input as a file of the scratch folder and gives its path.
QString writeScratch(const QString& name, const uint8_t* data, size_t size);
void writeFile(const QString& path, const QByteArray& bytes);

// A package's parts as the fuzzer mutates them: text of the form
//   "=== name\n" content, then "\n=== name\n" content, ...
// so that names and contents change without a zip checksum in the way.
struct Part {
    QString name;
    QByteArray content;
};
std::vector<Part> splitParts(const uint8_t* data, size_t size);
// The parts stored uncompressed into a valid zip archive, in their order; empty when libzip refuses.
QByteArray packZip(const std::vector<Part>& parts);

// Opens a workbook as the import does and reads every row of its first sheets. A Failure (the
// clerk's message) is an expected end; anything else escapes and stops the fuzzer.
void readWorkbook(const QString& path);

} // namespace corvina::fuzz
