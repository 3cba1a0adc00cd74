#include "ui/CorvinaApplication.h"

#include "app/Failure.h"
#include "app/Prompter.h"

namespace corvina {

CorvinaApplication::CorvinaApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Corvina"));
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
