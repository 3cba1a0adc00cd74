#pragma once

#include "app/Settings.h"
#include "invoicing/InvoicingProgramSteps.h"
#include "issuing/BatchRunController.h"

#include <memory>

namespace corvina {

class Clock;
class IssuingDatabase;
class LocalStore;
class Prompter;

// What the command line says about the program as a whole: --app-folder and --store, empty when
// not given.
struct AppOptions {
    QString appFolder;
    QString storeUrl;
};

// The program as it is built once, from the command line and sysconfig.ini, and handed to the
// window or to a command: the settings, the prompter and the clock, our store and the invoicing
// program's database (made here, opened by the front end, so that their messages come where it
// expects them), the issuing state kept from run to run, and what every run is made of.
class AppSession {
public:
    // `steps` makes a run's steps against the invoicing program; by default its real windows
    // through the platform's window services.
    AppSession(const AppOptions& options, Prompter& prompter, Clock& clock,
               BatchRunController::StepsFactory steps = {});
    ~AppSession();
    AppSession(const AppSession&) = delete;
    AppSession& operator=(const AppSession&) = delete;

    const AppSettings& settings() const { return m_settings; }
    Prompter& prompter() const { return m_prompter; }
    Clock& clock() const { return m_clock; }

    // Our store, not yet opened: LocalStore::open() says why when it cannot be.
    LocalStore& store() { return *m_store; }
    // The invoicing program's database, not yet opened.
    IssuingDatabase& invoicingDatabase() { return *m_invoicing; }

    // What each run works with: the store opened afresh by the run, this desk's station, its log,
    // and the steps against the invoicing program.
    BatchRunController::RunSetup runSetup();

private:
    Prompter& m_prompter;
    Clock& m_clock;
    AppSettings m_settings;
    std::unique_ptr<LocalStore> m_store;
    std::unique_ptr<IssuingDatabase> m_invoicing;
    IssuingState m_issuingState;
    BatchRunController::StepsFactory m_steps;
};

} // namespace corvina
