#pragma once

#include "app/Prompter.h"

#include <QObject>
#include <QPointer>

class QWidget;

namespace corvina {

// Message boxes and file dialogs as Qt widgets. Lives on the UI thread; a call from another
// thread (the batch run) is carried to the UI thread and waits there for the clerk's answer.
class GuiPrompter : public QObject, public Prompter {
    Q_OBJECT
public:
    explicit GuiPrompter(QObject* parent = nullptr);

    // The main window, owner of the boxes about the clerk's actions.
    void setMainWindow(QWidget* window);

    int showBox(BoxOwner owner, const QString& text, MessageBoxKind kind) override;
    void showPlain(const QString& text) override;
    int askPlain(const QString& title, const QString& text) override;
    std::optional<QString> chooseOpenFile(const QString& filter) override;
    std::optional<QString> chooseSaveFile(const SaveDialogRequest& request) override;

    // "desc|pattern|desc|pattern" as the system writes filters, in Qt's form.
    static QString qtFilter(const QString& filter);

private:
    template <typename F> auto onUiThread(F&& f) -> decltype(f());
    QWidget* owner(BoxOwner owner) const;
    QPointer<QWidget> m_mainWindow;
};

} // namespace corvina
