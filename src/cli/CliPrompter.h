#pragma once

#include "app/Prompter.h"

#include <QMutex>
#include <cstdio>
#include <functional>

namespace corvina {

// Command-line backend: every box becomes "[title] text" on stderr. A question is answered
// Yes by --yes, asked on a terminal, and answered No otherwise.
class CliPrompter : public Prompter {
public:
    CliPrompter(bool assumeYes, std::FILE* err = stderr, std::FILE* in = stdin);

    int showBox(BoxOwner owner, const QString& text, MessageBoxKind kind) override;
    void showPlain(const QString& text) override;
    int askPlain(const QString& title, const QString& text) override;
    std::optional<QString> chooseOpenFile(const QString& filter) override;
    std::optional<QString> chooseSaveFile(const SaveDialogRequest& request) override;

    // Runs before each box is printed, so that a line being rewritten in place on the same
    // terminal ends first.
    void setBeforePrint(std::function<void()> hook) { m_beforePrint = std::move(hook); }

    // Whether the last question was answered No (or Cancel).
    bool refused() const { return m_refused; }

private:
    void print(const QString& title, const QString& text);
    int ask(bool withCancel);
    QMutex m_mutex;
    bool m_assumeYes;
    std::FILE* m_err;
    std::FILE* m_in;
    bool m_refused = false;
    std::function<void()> m_beforePrint;
};

} // namespace corvina
