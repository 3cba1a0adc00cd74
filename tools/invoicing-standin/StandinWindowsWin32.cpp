#include "StandinWindows.h"
#include "Texts.h"

#include <QCoreApplication>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace corvina::standin {

namespace {

// Plain Win32 windows, because the tool finds the invoicing program's windows by their class names,
// which a toolkit's own windows cannot carry.
const wchar_t* const kMainClass = L"CorvinaStandinMain"; // found by title only
const wchar_t* const kToolbarClass = L"WindowsForms10.ToolbarWindow32.app3";
const wchar_t* const kDialogClass = L"WindowsForms10.Window.8.app3";
const wchar_t* const kButtonClass = L"WindowsForms10.BUTTON.app3";

// The issuing button on the toolbar covers the point (34, 26).
const RECT kIssueButton = {4, 4, 100, 52};

enum Timer : UINT_PTR { ShowMain = 1, OpenDialog = 2, EnableDialog = 3 };

std::wstring wide(const QString& text)
{
    return text.toStdWString();
}

struct Standin {
    const WindowOptions* options = nullptr;
    const WindowActions* actions = nullptr;
    HINSTANCE instance = nullptr;
    HFONT font = nullptr;
    HWND main = nullptr;
    HWND toolbar = nullptr;
    HWND dialog = nullptr; // exists only between a toolbar click and its "关闭"
    HWND request = nullptr;
    HWND status = nullptr;
    bool toolbarDown = false;
};

Standin g;

void setFont(HWND window)
{
    if (g.font)
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(g.font), TRUE);
}

HWND label(HWND parent, const std::wstring& text, int x, int y, int width, int height)
{
    HWND w = CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE, x, y, width, height, parent, nullptr,
                             g.instance, nullptr);
    setFont(w);
    return w;
}

std::wstring windowText(HWND window)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), int(text.size()))));
    return text;
}

void paintButton(HWND window, const RECT& rect, const std::wstring& text, bool down)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT r = rect;
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (down ? DFCS_PUSHED : 0));
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ old = g.font ? SelectObject(dc, g.font) : nullptr;
    DrawTextW(dc, text.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (old)
        SelectObject(dc, old);
    EndPaint(window, &paint);
}

void createDialog();

// A press of one of the dialog's buttons, by the mouse or by a message from another program.
void press(const QString& caption)
{
    if (g.options->stepDelayMs > 0)
        Sleep(static_cast<DWORD>(g.options->stepDelayMs));
    if (caption == StandinTexts::Save) {
        QString message;
        if (g.actions->save && g.actions->save(&message)) {
            SetWindowTextW(g.status, wide(StandinTexts::Saved + message).c_str());
        } else {
            SetWindowTextW(g.status, wide(StandinTexts::SaveFailed + message).c_str());
            // Modal over the dialog: whoever pressed "保存" waits until the clerk closes it.
            MessageBoxW(g.dialog, wide(StandinTexts::IssueFailed + message).c_str(),
                        wide(StandinTexts::MainTitle).c_str(), MB_OK | MB_ICONERROR);
        }
    } else if (caption == StandinTexts::Print) {
        if (g.actions->print)
            g.actions->print();
        SetWindowTextW(g.status, (windowText(g.status) + wide(StandinTexts::Printed)).c_str());
    } else if (caption == StandinTexts::Close) {
        DestroyWindow(g.dialog); // gone until the toolbar opens a new one
    }
}

// The dialog's buttons: a press is a button-down followed by a button-up, as the tool sends them.
LRESULT CALLBACK buttonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
        SetPropW(window, L"down", reinterpret_cast<HANDLE>(1));
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_LBUTTONUP:
        if (RemovePropW(window, L"down")) {
            InvalidateRect(window, nullptr, TRUE);
            press(QString::fromStdWString(windowText(window)));
        }
        return 0;
    case WM_PAINT: {
        RECT r;
        GetClientRect(window, &r);
        paintButton(window, r, windowText(window), GetPropW(window, L"down") != nullptr);
        return 0;
    }
    case WM_DESTROY:
        RemovePropW(window, L"down");
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        if (wParam == EnableDialog) {
            KillTimer(window, EnableDialog);
            EnableWindow(window, TRUE);
        }
        return 0;
    case WM_DESTROY:
        if (g.dialog == window)
            g.dialog = nullptr;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void createDialog()
{
    // Refusing input from its birth: it accepts input only after the step delay.
    g.dialog = CreateWindowExW(0, kDialogClass, wide(StandinTexts::DialogTitle).c_str(),
                               WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_DISABLED, 120, 120, 540, 300, g.main,
                               nullptr, g.instance, nullptr);
    const QString pending = g.actions->pendingRequest ? g.actions->pendingRequest() : QString();
    g.request = label(g.dialog, wide(pending), 10, 10, 500, 120);
    g.status = label(g.dialog, L"", 10, 140, 500, 60);
    int x = 10;
    for (const QString& caption : StandinTexts::Buttons) {
        if (g.options->omitButtons.contains(caption))
            continue;
        HWND button = CreateWindowExW(0, kButtonClass, wide(caption).c_str(), WS_CHILD | WS_VISIBLE, x, 215, 90, 30,
                                      g.dialog, nullptr, g.instance, nullptr);
        setFont(button);
        x += 100;
    }
    ShowWindow(g.dialog, SW_SHOWNORMAL);
    if (!g.options->dialogDisabled)
        SetTimer(g.dialog, EnableDialog, static_cast<UINT>(std::max(g.options->stepDelayMs, 1)), nullptr);
}

LRESULT CALLBACK toolbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
        g.toolbarDown = true;
        return 0;
    case WM_LBUTTONUP: {
        const POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const bool click = g.toolbarDown && PtInRect(&kIssueButton, p);
        g.toolbarDown = false;
        if (click && !g.dialog) {
            if (g.options->stepDelayMs > 0)
                SetTimer(g.main, OpenDialog, static_cast<UINT>(g.options->stepDelayMs), nullptr);
            else
                createDialog();
        }
        return 0;
    }
    case WM_PAINT:
        paintButton(window, kIssueButton, wide(StandinTexts::IssueButton), false);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK mainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        KillTimer(window, wParam);
        if (wParam == ShowMain)
            ShowWindow(window, SW_SHOWNORMAL);
        else if (wParam == OpenDialog && !g.dialog)
            createDialog();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool registerClass(const wchar_t* name, WNDPROC proc, int background)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = g.instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1));
    windowClass.lpszClassName = name;
    return RegisterClassExW(&windowClass) != 0;
}

} // namespace

int runStandinWindows(int argc, char** argv, const WindowOptions& options, const WindowActions& actions)
{
    QCoreApplication app(argc, argv); // for the database drivers the intake uses
    g.options = &options;
    g.actions = &actions;
    g.instance = GetModuleHandleW(nullptr);
    if (!registerClass(kMainClass, mainProc, COLOR_WINDOW) ||
        !registerClass(kToolbarClass, toolbarProc, COLOR_BTNFACE) ||
        !registerClass(kDialogClass, dialogProc, COLOR_BTNFACE) ||
        !registerClass(kButtonClass, buttonProc, COLOR_BTNFACE)) {
        std::fprintf(stderr, "invoicing-standin: cannot register the window classes\n");
        return 2;
    }
    g.font = CreateFontW(-14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Microsoft YaHei");

    g.main = CreateWindowExW(0, kMainClass, wide(StandinTexts::MainTitle).c_str(), WS_OVERLAPPEDWINDOW, 40, 40, 640,
                             420, nullptr, nullptr, g.instance, nullptr);
    g.toolbar = CreateWindowExW(0, kToolbarClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 640, 56, g.main, nullptr,
                                g.instance, nullptr);
    label(g.main, wide(StandinTexts::Banner), 10, 70, 600, 30);
    if (!g.main || !g.toolbar) {
        std::fprintf(stderr, "invoicing-standin: cannot create the windows\n");
        return 2;
    }
    if (!options.startHidden)
        ShowWindow(g.main, SW_SHOWNORMAL);
    else if (options.showAfterMs >= 0)
        SetTimer(g.main, ShowMain, static_cast<UINT>(std::max(options.showAfterMs, 1)), nullptr);
    std::printf("ready\n");
    std::fflush(stdout);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (g.font)
        DeleteObject(g.font);
    return static_cast<int>(message.wParam);
}

} // namespace corvina::standin
