#pragma once

#include <QApplication>

namespace corvina {

class Prompter;

// The GUI application: an exception that no handler caught ends the clerk's current action and is
// shown in an error box; the program keeps running.
class CorvinaApplication : public QApplication {
public:
    CorvinaApplication(int& argc, char** argv);
    void setPrompter(Prompter* prompter) { m_prompter = prompter; }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    Prompter* m_prompter = nullptr;
};

} // namespace corvina
