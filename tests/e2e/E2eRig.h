#pragma once

#include "support/IssuingRig.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace corvina::test {

// The private X server of this test process (":N"), started before the application object; on
// Windows none: the programs share the session's desktop.
QString e2eDisplay();

// Waits, keeping the events flowing, until the condition holds; false after boundMs.
bool waitFor(const std::function<bool()>& condition, int boundMs);
// Lets time pass, keeping the events flowing.
void pause(int ms);

// A program of the build started on the private display (or on `display`, another desk's);
// killed when the object goes.
class DesktopProgram {
public:
    DesktopProgram(const QString& name, const QStringList& args, const QString& display = QString());
    ~DesktopProgram();
    DesktopProgram(const DesktopProgram&) = delete;
    DesktopProgram& operator=(const DesktopProgram&) = delete;

    bool started() const { return m_started; }
    bool running() const { return m_process.state() != QProcess::NotRunning; }
    // Everything the program wrote so far (read without blocking).
    QString out();
    QString err();
    // Waits up to boundMs for the program to end; its exit status, or -1 when it did not end.
    int finish(int boundMs);
    // Ends the program at once with SIGKILL, as a power cut or a crash would, and waits for it.
    void killNow();

private:
    QProcess m_process;
    QString m_out;
    QString m_err;
    bool m_started = false;
};

// The stand-in invoicing program's windows for the rig's folder, once it says "ready".
std::unique_ptr<DesktopProgram> startStandin(const IssuingRig& rig, const QStringList& windowOptions = {},
                                             const QString& display = QString());

// Writes the sample workbook of `documents` sales documents (XS20240001...) with openpyxl and
// imports it with `corvina import`; false with the reason in `error`.
bool importSampleWorkbook(const IssuingRig& rig, int documents, QString* error);
// The buyer of the sample workbook's document n (from 1).
QString sampleCustomer(int n);

// Every invoice the stand-in issued is recorded in the store with the same code and number, and
// nothing else is: no invoice is half recorded. `ids` in the order they were offered.
void expectStoreMatchesIssued(const IssuingRig& rig, const QStringList& ids);

// Runs `corvina issue --yes` (and more arguments) on the rig's application folder to its end.
ProcessResult runIssue(const IssuingRig& rig, const QStringList& more = {}, int boundMs = 120000);

} // namespace corvina::test
