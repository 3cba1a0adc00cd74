#pragma once

#include "doubles/FakeWindowServices.h"
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
    QString issuingDatabase() const { return invoicingFolder() + QStringLiteral("/Data/DB_KP.mdb"); }
    QString configFile(const QString& name) const { return invoicingFolder() + QStringLiteral("/Config/") + name; }

    // Documents D1..Dn (or the given numbers) with one line item each, FOK "0", imported at
    // "2024-03-01 09:00".
    void addDocuments(const QStringList& orderIds);
    StoredState stored(const QString& orderId) const;
    // The stand-in's issued invoices in issuing order: FPDM, FPHM, FKRMC (the buyer).
    QList<QStringList> issued() const;
    // What "保存" does in the invoicing program: `invoicing-standin --intake`. False when refused.
    bool intake() const;

private:
    TempFolder m_app;
    QString m_error;
};

// The invoicing program's windows scripted on the fake window services: a main window with its
// toolbar; a click on the toolbar opens the issuing dialog with its five buttons, "保存" runs the
// real intake of the rig's folder, "关闭" closes the dialog.
struct ScriptedInvoicingProgram {
    struct Options {
        bool running = true;
        std::int64_t dialogEnabledAfter = 0; // FakeWindowServices::Never: never accepts input
        bool closeButton = true;
    };
    ScriptedInvoicingProgram(const IssuingRig& rig, Options options);
    ScriptedInvoicingProgram(const IssuingRig& rig) : ScriptedInvoicingProgram(rig, Options{}) {}

    FakeWindowServices windows;
    WindowHandle mainWindow = NoWindow;
    WindowHandle toolbar = NoWindow;
    int dialogsOpened = 0;
    int saves = 0;
    int refusedSaves = 0;
    // Runs after each intake on the thread that pressed "保存" (the invoice in hand).
    std::function<void(int save)> afterSave;

private:
    void openDialog();
    const IssuingRig& m_rig;
    Options m_options;
};

} // namespace corvina::test
