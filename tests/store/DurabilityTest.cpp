// The issuing attempt's code and number are on the disk when the journal says they are committed:
// a recording file system under SQLite logs every write and sync of the store's files, and the
// numbering commit must leave no write of the write-ahead log unsynced (a power cut right after it,
// "保存" already pressed, must not lose the attempt).

#include "app/Clock.h"
#include "doubles/RecordingPrompter.h"
#include "store/IssueJournal.h"
#include "store/LocalStore.h"
#include "support/BrowserSeed.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <mutex>
#include <sqlite3.h>
#include <string>
#include <vector>

using namespace corvina;
using namespace corvina::test;

namespace {

// The default file system of SQLite, with every write and sync of a file ending in "-wal" logged.
struct Recorder {
    std::mutex mutex;
    std::vector<char> walEvents; // 'w' a write, 's' a sync
    sqlite3_vfs* base = nullptr;
    sqlite3_vfs vfs{};
    sqlite3_io_methods methods{};
};
Recorder g_recorder;

struct RecordingFile {
    sqlite3_file base;
    sqlite3_file* real;
    bool wal;
};

sqlite3_file* real(sqlite3_file* f)
{
    return reinterpret_cast<RecordingFile*>(f)->real;
}

void note(sqlite3_file* f, char event)
{
    if (!reinterpret_cast<RecordingFile*>(f)->wal)
        return;
    std::lock_guard<std::mutex> lock(g_recorder.mutex);
    g_recorder.walEvents.push_back(event);
}

int recordingOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
{
    auto* f = reinterpret_cast<RecordingFile*>(file);
    f->real = reinterpret_cast<sqlite3_file*>(f + 1);
    f->wal = (flags & SQLITE_OPEN_WAL) != 0;
    const int rc = g_recorder.base->xOpen(g_recorder.base, name, f->real, flags, outFlags);
    f->base.pMethods = f->real->pMethods ? &g_recorder.methods : nullptr;
    return rc;
}

void install()
{
    Recorder& r = g_recorder;
    r.base = sqlite3_vfs_find(nullptr);
    r.vfs = *r.base;
    r.vfs.zName = "corvina-recording";
    r.vfs.szOsFile = static_cast<int>(sizeof(RecordingFile)) + r.base->szOsFile;
    r.vfs.xOpen = recordingOpen;
    r.methods.iVersion = 3;
    r.methods.xClose = [](sqlite3_file* f) { return real(f)->pMethods->xClose(real(f)); };
    r.methods.xRead = [](sqlite3_file* f, void* b, int n, sqlite3_int64 o) {
        return real(f)->pMethods->xRead(real(f), b, n, o);
    };
    r.methods.xWrite = [](sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
        note(f, 'w');
        return real(f)->pMethods->xWrite(real(f), b, n, o);
    };
    r.methods.xTruncate = [](sqlite3_file* f, sqlite3_int64 s) { return real(f)->pMethods->xTruncate(real(f), s); };
    r.methods.xSync = [](sqlite3_file* f, int flags) {
        note(f, 's');
        return real(f)->pMethods->xSync(real(f), flags);
    };
    r.methods.xFileSize = [](sqlite3_file* f, sqlite3_int64* s) { return real(f)->pMethods->xFileSize(real(f), s); };
    r.methods.xLock = [](sqlite3_file* f, int l) { return real(f)->pMethods->xLock(real(f), l); };
    r.methods.xUnlock = [](sqlite3_file* f, int l) { return real(f)->pMethods->xUnlock(real(f), l); };
    r.methods.xCheckReservedLock = [](sqlite3_file* f, int* o) {
        return real(f)->pMethods->xCheckReservedLock(real(f), o);
    };
    r.methods.xFileControl = [](sqlite3_file* f, int op, void* a) {
        return real(f)->pMethods->xFileControl(real(f), op, a);
    };
    r.methods.xSectorSize = [](sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); };
    r.methods.xDeviceCharacteristics = [](sqlite3_file* f) {
        return real(f)->pMethods->xDeviceCharacteristics(real(f));
    };
    r.methods.xShmMap = [](sqlite3_file* f, int p, int s, int e, void volatile** m) {
        return real(f)->pMethods->xShmMap(real(f), p, s, e, m);
    };
    r.methods.xShmLock = [](sqlite3_file* f, int o, int n, int fl) {
        return real(f)->pMethods->xShmLock(real(f), o, n, fl);
    };
    r.methods.xShmBarrier = [](sqlite3_file* f) { real(f)->pMethods->xShmBarrier(real(f)); };
    r.methods.xShmUnmap = [](sqlite3_file* f, int d) { return real(f)->pMethods->xShmUnmap(real(f), d); };
    r.methods.xFetch = [](sqlite3_file* f, sqlite3_int64 o, int n, void** p) {
        return real(f)->pMethods->xFetch(real(f), o, n, p);
    };
    r.methods.xUnfetch = [](sqlite3_file* f, sqlite3_int64 o, void* p) {
        return real(f)->pMethods->xUnfetch(real(f), o, p);
    };
    sqlite3_vfs_register(&r.vfs, 1);
}

} // namespace

TEST(Durability, TheAttemptsNumbersAreSyncedWhenTheCommitReturns)
{
    install();
    struct Case {
        const char* name;
        QString synchronous; // as the store sets it, or as an older version set it
        bool synced;
    };
    // The second row is the detector's own check: the store's former setting leaves the commit
    // unsynced, and the log shows it.
    const Case cases[] = {{"as the store opens", QString(), true},
                          {"synchronous=NORMAL, as the store used to run", QStringLiteral("NORMAL"), false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        RecordingPrompter prompter;
        FakeClock clock;
        {
            LocalStore store(folder.file(QStringLiteral("SysData.mdb")), prompter);
            ASSERT_TRUE(store.open());
            if (!c.synchronous.isEmpty())
                store.run({QStringLiteral("PRAGMA synchronous=") + c.synchronous, {}, {}});
            seedDocument(store, {QStringLiteral("D1")});
            IssueJournal journal(store, clock, prompter);
            IssueJournal::Begun claim = journal.claim(QStringLiteral("D1"));
            ASSERT_EQ(claim.outcome, IssueJournal::BeginOutcome::Started);
            {
                std::lock_guard<std::mutex> lock(g_recorder.mutex);
                g_recorder.walEvents.clear();
            }
            ASSERT_TRUE(
                journal.setNumbers(claim.attempt, QStringLiteral("3100071140"), QStringLiteral("00000001")).done());
            std::lock_guard<std::mutex> lock(g_recorder.mutex);
            const std::vector<char>& events = g_recorder.walEvents;
            ASSERT_FALSE(events.empty());
            EXPECT_EQ(std::count(events.begin(), events.end(), 'w') > 0, true);
            // Synced: the last thing done to the log before the commit returned was a sync.
            EXPECT_EQ(events.back() == 's', c.synced) << std::string(events.begin(), events.end());
        }
    }
    sqlite3_vfs_unregister(&g_recorder.vfs);
}
