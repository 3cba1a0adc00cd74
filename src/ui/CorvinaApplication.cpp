#include "ui/CorvinaApplication.h"

#include "app/AppFolder.h"
#include "app/Failure.h"
#include "app/Prompter.h"
#include "app/Version.h"

namespace corvina {

CorvinaApplication::CorvinaApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(kApplicationName);
    setApplicationVersion(QStringLiteral(CORVINA_VERSION));
    // Ties the windows to the installed desktop entry (its icon and name in the task bar).
    setDesktopFileName(QStringLiteral("corvina"));
}

bool CorvinaApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const Failure& failure) {
        if (m_prompter)
            ShowMessageBox(*m_prompter, BoxOwner::MainWindow, failure.message(), MessageBoxKind::Error);
    } catch (const std::exception& e) {
        if (m_prompter)
            ShowMessageBox(*m_prompter, BoxOwner::MainWindow, QString::fromLocal8Bit(e.what()), MessageBoxKind::Error);
    }
    return false;
}

} // namespace corvina
