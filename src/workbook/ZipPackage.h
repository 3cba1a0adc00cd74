#pragma once

#include <QString>
#include <functional>
#include <string>

struct zip;

namespace corvina {

// Read access to the parts of a zip package. Sizes are counted as bytes come out of the
// decompressor, so a part that lies about its size is still stopped at the cap. Broken archives
// and parts throw FormatError; a part over its cap throws Failure.
class ZipPackage {
public:
    explicit ZipPackage(const QString& path); // throws FormatError when no zip archive
    ~ZipPackage();
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;

    // Part names without a leading "/", matched without regard to case.
    bool has(const QString& name) const;
    // The size the archive states for a part (0 when unknown); a hint only, never trusted.
    size_t statedSize(const QString& name) const;
    std::string read(const QString& name, size_t cap) const;
    void stream(const QString& name, size_t cap, const std::function<void(const char*, size_t)>& sink) const;

private:
    zip* m_zip = nullptr;
    QString m_path;
};

} // namespace corvina
