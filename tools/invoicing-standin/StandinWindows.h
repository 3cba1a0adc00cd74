#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace corvina::standin {

// How the stand-in's windows behave, so that every wait and message of the tool can be shown.
struct WindowOptions {
    int stepDelayMs = 0;         // before the dialog appears, before it accepts input, in each button
    bool dialogDisabled = false; // the issuing dialog never accepts input
    QStringList omitButtons;     // captions of dialog buttons left out
    bool startHidden = false;    // the main window exists but is not shown
    int showAfterMs = -1;        // a hidden main window is shown after this long (-1: never)
};

// What the dialog's buttons do: "保存" takes the request in (false: refused, `message` says why),
// "打印" records a printout.
struct WindowActions {
    std::function<bool(QString* message)> save;
    std::function<void()> print;
    // A line for the stand-in's own window about the request now waiting (buyer, code, number).
    std::function<QString()> pendingRequest;
};

// Opens the main window "eTax@SH 电脑开票" with its toolbar and runs until it is closed. The windows
// are the window system's own (X11 or Win32), carrying the classes and names the tool looks for;
// the build chooses which.
int runStandinWindows(int argc, char** argv, const WindowOptions& options, const WindowActions& actions);

} // namespace corvina::standin
