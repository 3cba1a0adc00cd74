#pragma once

#include <QString>
#include <optional>

namespace corvina {

enum class MessageBoxKind : int { Info = 0, Warning = 1, Error = 2, YesNo = 3, YesNoCancel = 4 };

// The window a box is modal to: the main window for user actions and start-up, the
// application's own top-level window for database and control-file messages.
enum class BoxOwner { MainWindow, Application };

namespace ButtonCode {
constexpr int Ok = 0;
constexpr int Cancel = 2;
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace ButtonCode

struct SaveDialogRequest {
    QString filter;        // "Caption(*.ext)|*.ext" pairs, as the system writes them
    QString defaultSuffix; // added when the clerk leaves the extension out
    QString proposedName;
};

// Every message box, question and file dialog goes through a Prompter, so the GUI, the
// command line and the tests each bring their own.
class Prompter {
public:
    virtual ~Prompter() = default;

    // One modal box of a valid kind; returns the button code (0 for the OK-only kinds).
    virtual int showBox(BoxOwner owner, const QString& text, MessageBoxKind kind) = 0;
    // A plain box: OK only, no icon, no owner.
    virtual void showPlain(const QString& text) = 0;
    // A plain question without owner or icon, buttons Yes and No; returns 6 or 7.
    virtual int askPlain(const QString& title, const QString& text) = 0;
    // File dialogs; nullopt when the clerk cancels.
    virtual std::optional<QString> chooseOpenFile(const QString& filter) = 0;
    virtual std::optional<QString> chooseSaveFile(const SaveDialogRequest& request) = 0;
};

// The title of a box kind: "提示", "警告" or "错误".
QString messageBoxTitle(MessageBoxKind kind);

// Shows a box of the given kind value; an unknown kind shows nothing and returns 0.
int ShowMessageBox(Prompter& prompter, BoxOwner owner, const QString& text, int kind);
inline int ShowMessageBox(Prompter& prompter, BoxOwner owner, const QString& text, MessageBoxKind kind)
{
    return ShowMessageBox(prompter, owner, text, static_cast<int>(kind));
}

} // namespace corvina
