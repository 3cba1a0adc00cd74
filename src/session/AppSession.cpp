#include "session/AppSession.h"
#include "invoicing/IssuingDatabase.h"
#include "store/LocalStore.h"

namespace corvina {

AppSession::AppSession(const AppOptions& options, Prompter& prompter, Clock& clock,
                       BatchRunController::StepsFactory steps)
    : m_prompter(prompter), m_clock(clock), m_settings(AppSettings::load(ExeFolder(options.appFolder))),
      m_steps(std::move(steps))
{
    applyStoreOverride(m_settings, options.storeUrl);
    m_store = std::make_unique<LocalStore>(m_settings.storeLocation(), m_prompter);
    m_invoicing = std::make_unique<IssuingDatabase>(m_settings.IssuingDatabasePath, m_prompter);
    if (!m_steps)
        m_steps = [this](LocalStore& store) {
            return createPlatformIssuingSteps(m_settings, store, m_issuingState, m_clock, m_prompter);
        };
}

AppSession::~AppSession() = default;

BatchRunController::RunSetup AppSession::runSetup()
{
    return {m_settings.storeLocation(), m_settings.Station, m_settings.logPath(), m_steps};
}

} // namespace corvina
