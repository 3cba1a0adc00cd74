#pragma once

#include "app/Clock.h"
#include "doubles/FakeWindowServices.h"
#include "support/TestStore.h"
#include "support/TestSupport.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace corvina {
class LocalStore;
}

namespace corvina::test {

// Rows of a select on an SQLite file, every value as text; opened on a private connection.
QList<QStringList> sqliteRows(const QString& path, const QString& select);
// Runs one statement on an SQLite file; false with the driver's reason in `error`.
bool sqliteExec(const QString& path, const QString& statement, QString* error = nullptr);

// One stored document: its header fields the tests look at.
struct StoredState {
    QString fok;
    QString code;
    QString number;
};

// An application folder whose sysconfig.ini points at an invoicing-program folder made by the
// stand-in itself (`invoicing-standin --init`), so the issuing database, the control file and the
// intake are the real ones.
class IssuingRig {
public:
    explicit IssuingRig(const QStringList& initOptions = {});

    bool ready() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    QString appFolder() const { return m_app.path(); } // ends in "/"
    QString invoicingFolder() const { return m_app.path() + QStringLiteral("invoicing"); }
    QString storePath() const { return m_app.file(QStringLiteral("SysData.mdb")); }
    // The local store on the run's engine (SysData.mdb or a database on the test server); the
    // folder's sysconfig.ini names it when it is on the server.
    QString storeLocation() const { return m_shared.isEmpty() ? m_where.location() : m_shared; }
    // Points the folder's sysconfig.ini at a store several desks share, under a station name of
    // its own (a desk of several on one test machine).
    void shareStore(const QString& location, const QString& station);
    const TestStore& where() const { return m_where; }
    // Rows of a select on the store (values bound), every value as text.
    QList<QStringList> storeRows(const QString& select, const QVariantList& values = {}) const;
    // Runs a changing statement on the store; false (the reason in `error`) when it fails.
    bool storeExec(const QString& statement, QString* error = nullptr) const;
    QString issuingDatabase() const { return invoicingFolder() + QStringLiteral("/Data/DB_KP.mdb"); }
    QString configFile(const QString& name) const { return invoicingFolder() + QStringLiteral("/Config/") + name; }

    // Documents D1..Dn (or the given numbers) with one line item each, FOK "0", imported at
    // "2024-03-01 09:00".
    void addDocuments(const QStringList& orderIds);
    StoredState stored(const QString& orderId) const;
    // The stand-in's issued invoices in issuing order: FPDM, FPHM, FKRMC (the buyer).
    QList<QStringList> issued() const;
    // What "保存" does in the invoicing program: `invoicing-standin --intake` with the intake
    // options given. False when refused.
    bool intake(const QStringList& options = {}) const;
    // `invoicing-standin --advance`: the enabled book moves on to its next number.
    bool advance() const;
    // The enabled book's code and current number, "" when none is enabled.
    QString enabledBook() const;
    // Runs a statement on the stand-in's database (to switch or retire its books by hand).
    bool changeIssuingDatabase(const QString& statement) const;
    // The journal of the store: "document code number outcome open|closed [settled state]" per
    // attempt, in the order they began.
    QStringList journal() const;

private:
    void writeSettings(const QString& storeSection);
    TempFolder m_app;
    TestStore m_where{m_app};
    QString m_shared;
    QString m_error;
};

// A virtual clock on which things can be made to happen: an action given for a moment runs as soon
// as a sleep reaches it, on the sleeping thread.
class TimelineClock : public FakeClock {
public:
    using FakeClock::FakeClock;
    void sleep(int milliseconds) override;
    // Runs `action` once the clock has slept `milliseconds` more from now.
    void after(qint64 milliseconds, std::function<void()> action);
    // Runs `action` at every sleep from now on.
    void onEverySleep(std::function<void()> action) { m_everySleep = std::move(action); }

private:
    std::vector<std::pair<qint64, std::function<void()>>> m_due;
    std::function<void()> m_everySleep;
};

// The invoicing program's windows scripted on the fake window services: a main window with its
// toolbar; a click on the toolbar opens the issuing dialog with its five buttons, "保存" runs the
// real intake of the rig's folder, "关闭" closes the dialog. `clock` is the tool's clock: the book
// moves that the intake delays happen on it.
struct ScriptedInvoicingProgram {
    struct Options {
        bool running = true;
        std::int64_t dialogEnabledAfter = 0; // FakeWindowServices::Never: never accepts input
        bool closeButton = true;
        QList<int> refusedSaves = {};   // the saves (from 1) the intake refuses
        bool holdNumber = false;        // the intake issues but never moves the book on
        std::int64_t advanceAfter = -1; // the intake issues; the book moves on this long later
    };
    ScriptedInvoicingProgram(const IssuingRig& rig, Options options);
    ScriptedInvoicingProgram(const IssuingRig& rig) : ScriptedInvoicingProgram(rig, Options{}) {}

    FakeWindowServices windows;
    TimelineClock clock{QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9))};
    WindowHandle mainWindow = NoWindow;
    WindowHandle toolbar = NoWindow;
    int dialogsOpened = 0;
    int saves = 0;
    int refusedSaves = 0;
    // Run on the thread that pressed: when the dialog opens, before the intake of "保存", and
    // after it (the invoice in hand). They may throw to cut the run off there.
    std::function<void(int dialog)> onDialog;
    std::function<void(int save)> beforeSave;
    std::function<void(int save)> afterSave;

private:
    void openDialog();
    void save();
    const IssuingRig& m_rig;
    Options m_options;
};

} // namespace corvina::test
