#pragma once

#include "app/Prompter.h"

#include <QList>
#include <QMutex>
#include <deque>

namespace corvina {

// Test backend: records every box and dialog and answers from a script. Safe to call from the
// batch thread.
class RecordingPrompter : public Prompter {
public:
    enum class Type { Box, Plain, AskPlain, OpenDialog, SaveDialog };
    struct Shown {
        Type type = Type::Box;
        MessageBoxKind kind = MessageBoxKind::Info;
        BoxOwner owner = BoxOwner::MainWindow;
        QString title;
        QString text;
    };

    int showBox(BoxOwner owner, const QString& text, MessageBoxKind kind) override;
    void showPlain(const QString& text) override;
    int askPlain(const QString& title, const QString& text) override;
    std::optional<QString> chooseOpenFile(const QString& filter) override;
    std::optional<QString> chooseSaveFile(const SaveDialogRequest& request) override;

    // Answers to questions, used in order; when none is left, defaultAnswer is given.
    void queueAnswer(int code);
    void setDefaultAnswer(int code);
    // Paths the file dialogs return, in order; when none is left the dialog is cancelled.
    void queueFile(const QString& path);

    QList<Shown> shown() const;
    // Only the texts of message boxes (Box, Plain, AskPlain), in order.
    QStringList texts() const;
    SaveDialogRequest lastSaveRequest() const;
    QString lastOpenFilter() const;
    void clear();

private:
    int nextAnswer();
    mutable QMutex m_mutex;
    QList<Shown> m_shown;
    std::deque<int> m_answers;
    std::deque<QString> m_files;
    int m_defaultAnswer = ButtonCode::Yes;
    SaveDialogRequest m_lastSave;
    QString m_lastOpenFilter;
};

} // namespace corvina
