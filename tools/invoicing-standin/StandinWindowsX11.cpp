#include "StandinWindows.h"
#include "Texts.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace corvina::standin {

namespace {

const char* const kToolbarClass = "WindowsForms10.ToolbarWindow32.app3";
const char* const kDialogClass = "WindowsForms10.Window.8.app3";
const char* const kButtonClass = "WindowsForms10.BUTTON.app3";

// The windows' own X connection, for the properties Qt does not set on child windows.
Display* g_display = nullptr;

void setClass(QWidget* w, const char* windowClass)
{
    XClassHint hint{const_cast<char*>("invoicing-standin"), const_cast<char*>(windowClass)};
    XSetClassHint(g_display, w->winId(), &hint);
}

void setName(QWidget* w, const QByteArray& utf8)
{
    XChangeProperty(g_display, w->winId(), XInternAtom(g_display, "_NET_WM_NAME", False),
                    XInternAtom(g_display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8.constData()), static_cast<int>(utf8.size()));
    char* list[] = {const_cast<char*>(utf8.constData())};
    XTextProperty text{};
    if (Xutf8TextListToTextProperty(g_display, list, 1, XCompoundTextStyle, &text) >= Success) {
        XSetWMName(g_display, w->winId(), &text);
        XFree(text.value);
    }
}

// Whether the window manager may give the window input: the tool reads this as "enabled".
void setAcceptsInput(QWidget* w, bool accepts)
{
    XWMHints* hints = XAllocWMHints();
    hints->flags = InputHint;
    hints->input = accepts ? True : False;
    XSetWMHints(g_display, w->winId(), hints);
    XFree(hints);
    XFlush(g_display);
}

template <typename W> W* nativeChild(W* w, const char* windowClass, const QByteArray& name)
{
    w->setAttribute(Qt::WA_NativeWindow);
    w->winId();
    setClass(w, windowClass);
    if (!name.isEmpty())
        setName(w, name);
    return w;
}

class IssueDialog : public QDialog {
public:
    IssueDialog(const WindowOptions& options, const WindowActions& actions) : m_options(options), m_actions(actions)
    {
        setAttribute(Qt::WA_DeleteOnClose);
        setWindowTitle(StandinTexts::DialogTitle);
        resize(520, 260);
        auto* layout = new QVBoxLayout(this);
        m_request = new QLabel(this);
        m_request->setWordWrap(true);
        layout->addWidget(m_request, 1);
        m_status = new QLabel(this);
        layout->addWidget(m_status);
        winId();
        setClass(this, kDialogClass);
        int x = 10;
        for (const QString& caption : StandinTexts::Buttons) {
            if (options.omitButtons.contains(caption))
                continue;
            auto* button = new QPushButton(caption, this);
            button->setGeometry(x, 215, 90, 30);
            x += 100;
            nativeChild(button, kButtonClass, caption.toUtf8());
            connect(button, &QPushButton::clicked, this, [this, caption] { press(caption); });
        }
    }

    void open()
    {
        m_request->setText(m_actions.pendingRequest ? m_actions.pendingRequest() : QString());
        m_status->clear();
        setEnabled(false);
        show();
        setAcceptsInput(this, false);
        if (m_options.dialogDisabled)
            return;
        QTimer::singleShot(m_options.stepDelayMs, this, [this] {
            setEnabled(true);
            setAcceptsInput(this, true);
        });
    }

private:
    void press(const QString& caption)
    {
        if (m_options.stepDelayMs > 0)
            QThread::msleep(static_cast<unsigned long>(m_options.stepDelayMs));
        if (caption == StandinTexts::Save) {
            QString message;
            if (m_actions.save && m_actions.save(&message)) {
                m_status->setText(StandinTexts::Saved + message);
            } else {
                m_status->setText(StandinTexts::SaveFailed + message);
                QMessageBox::critical(this, StandinTexts::MainTitle, StandinTexts::IssueFailed + message);
            }
        } else if (caption == StandinTexts::Print) {
            if (m_actions.print)
                m_actions.print();
            m_status->setText(m_status->text() + StandinTexts::Printed);
        } else if (caption == StandinTexts::Close) {
            close(); // the window is gone until the toolbar opens a new one
        }
    }

    const WindowOptions& m_options;
    const WindowActions& m_actions;
    QLabel* m_request = nullptr;
    QLabel* m_status = nullptr;
};

} // namespace

int runStandinWindows(int argc, char** argv, const WindowOptions& options, const WindowActions& actions)
{
    qputenv("QT_QPA_PLATFORM", "xcb"); // real X11 windows, also when the caller's tests run offscreen
    // Only the windows the tool looks for are native; their siblings stay plain widgets.
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QApplication app(argc, argv);
    g_display = XOpenDisplay(nullptr);
    if (!g_display) {
        std::fprintf(stderr, "invoicing-standin: no X display\n");
        return 2;
    }

    QWidget main;
    main.setWindowTitle(StandinTexts::MainTitle);
    main.resize(640, 420);
    auto* toolbar = new QWidget(&main);
    toolbar->setGeometry(0, 0, 640, 56);
    nativeChild(toolbar, kToolbarClass, QByteArray());
    // The issuing button covers the point (34, 26) of the toolbar.
    auto* issueButton = new QToolButton(toolbar);
    issueButton->setText(StandinTexts::IssueButton);
    issueButton->setGeometry(4, 4, 96, 48);
    auto* info = new QLabel(StandinTexts::Banner, &main);
    info->setGeometry(10, 70, 600, 30);

    // The issuing dialog exists only between a toolbar click and its "关闭".
    QPointer<IssueDialog> dialog;
    QObject::connect(issueButton, &QToolButton::clicked, &main, [&] {
        if (dialog)
            return;
        QTimer::singleShot(options.stepDelayMs, &main, [&] {
            if (dialog)
                return;
            dialog = new IssueDialog(options, actions);
            dialog->open();
        });
    });

    main.winId();
    if (!options.startHidden) {
        main.show();
    } else if (options.showAfterMs >= 0) {
        QTimer::singleShot(options.showAfterMs, &main, [&] { main.show(); });
    }
    XSync(g_display, False);
    std::printf("ready\n");
    std::fflush(stdout);
    const int status = app.exec();
    XCloseDisplay(g_display);
    g_display = nullptr;
    return status;
}

} // namespace corvina::standin
