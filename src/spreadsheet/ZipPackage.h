#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct zip;
struct zip_file;
struct zip_source;

namespace corvina {

// The parts of a zip package (.xlsx, .ods): read, streamed, and replaced in place. Sizes are
// counted as bytes come out of the decompressor, so a part that lies about its size is still
// stopped at its cap. Broken archives and parts throw FormatError; a part over its cap throws
// Failure. A part may be read on another thread (PrefetchedPart): every use of the archive takes
// the package's lock.
class ZipPackage {
public:
    // Reads one part piece by piece.
    class Part {
    public:
        ~Part();
        Part(const Part&) = delete;
        Part& operator=(const Part&) = delete;
        // Up to `max` bytes into `into`; 0 at the end of the part.
        size_t read(char* into, size_t max);

    private:
        friend class ZipPackage;
        Part(zip_file* file, QString name, QString packageName, size_t cap,
             std::shared_ptr<std::recursive_mutex> access);
        std::shared_ptr<std::recursive_mutex> m_access;
        zip_file* m_file;
        QString m_name;
        QString m_packageName;
        size_t m_cap;
        size_t m_total = 0;
    };

    enum class Mode { Read, Modify };
    // A package file; Modify lets parts be replaced and removed, written back by commit().
    explicit ZipPackage(const QString& path, Mode mode = Mode::Read);
    // A package held in memory (read only).
    explicit ZipPackage(const QByteArray& bytes, const QString& name);
    ~ZipPackage();
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;

    // Part names without a leading "/", matched without regard to case.
    bool has(const QString& name) const;
    // The name as the package stores it (its own case); empty when absent.
    QString storedName(const QString& name) const;
    // The size the archive states for a part (0 when unknown); a hint only, never trusted.
    size_t statedSize(const QString& name) const;
    // A part read through; cap 0 means no cap.
    std::unique_ptr<Part> open(const QString& name, size_t cap) const;
    std::string read(const QString& name, size_t cap) const;
    void stream(const QString& name, size_t cap, const std::function<void(const char*, size_t)>& sink) const;

    // Modify mode: new content for a part (added when absent), and parts taken out. Unchanged parts
    // are copied as they are stored.
    void replace(const QString& name, const QByteArray& bytes);
    void remove(const QString& name);
    // Writes the changed package beside the file and puts it in its place, so a failure leaves the
    // file as it was.
    void commit();

private:
    long long locate(const QString& name) const;
    [[noreturn]] void failArchive() const;

    zip* m_zip = nullptr;
    QString m_name;
    std::vector<QByteArray> m_kept; // contents of replaced parts, alive until commit
    std::shared_ptr<std::recursive_mutex> m_access = std::make_shared<std::recursive_mutex>();
};

// A part read ahead on a thread of its own, a few blocks at most, while the caller works on what
// came before: a worksheet's inflating overlaps with its parsing. What the reading throws, read()
// throws once the blocks before it are taken. Going, it stops the thread and waits for it (a
// block's read at most), so the package outlives every use.
class PrefetchedPart {
public:
    explicit PrefetchedPart(std::unique_ptr<ZipPackage::Part> part);
    ~PrefetchedPart();
    PrefetchedPart(const PrefetchedPart&) = delete;
    PrefetchedPart& operator=(const PrefetchedPart&) = delete;
    // Up to `max` bytes into `into`; 0 at the end of the part.
    size_t read(char* into, size_t max);

private:
    void run();

    std::unique_ptr<ZipPackage::Part> m_part;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<char>> m_ready;
    bool m_done = false;
    bool m_stop = false;
    std::exception_ptr m_error;
    std::vector<char> m_current;
    size_t m_at = 0;
    std::thread m_thread; // last: started once the rest is in place
};

} // namespace corvina
