// A small program with real X11 windows for the window-services tests: native Qt widgets whose
// WM_CLASS and names are set the way the invoicing program's windows look. Every click is counted
// in a property on the clicked window, written and synchronised with the server before the click
// handler returns, so a test can tell whether a sent click was handled when the send came back.
#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QThread>
#include <QWidget>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <string>

namespace {

Display* peerDisplay = nullptr;

void setXProperty(QWidget* w, const char* name, const std::string& value)
{
    const Atom atom = XInternAtom(peerDisplay, name, False);
    XChangeProperty(peerDisplay, w->winId(), atom, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(value.data()), int(value.size()));
    XSync(peerDisplay, False);
}

void setClass(QWidget* w, const char* windowClass)
{
    XClassHint hint{const_cast<char*>("peer"), const_cast<char*>(windowClass)};
    XSetClassHint(peerDisplay, w->winId(), &hint);
}

// _NET_WM_NAME only, as UTF-8.
void setNetName(QWidget* w, const std::string& name)
{
    XChangeProperty(peerDisplay, w->winId(), XInternAtom(peerDisplay, "_NET_WM_NAME", False),
                    XInternAtom(peerDisplay, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(name.data()), int(name.size()));
}

// WM_NAME only, as compound text.
void setOldName(QWidget* w, const std::string& name)
{
    char* list[] = {const_cast<char*>(name.c_str())};
    XTextProperty text{};
    if (Xutf8TextListToTextProperty(peerDisplay, list, 1, XCompoundTextStyle, &text) >= Success) {
        XSetWMName(peerDisplay, w->winId(), &text);
        XFree(text.value);
        XDeleteProperty(peerDisplay, w->winId(), XInternAtom(peerDisplay, "_NET_WM_NAME", False));
    }
}

class CountingButton : public QPushButton {
public:
    CountingButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
    {
        connect(this, &QPushButton::clicked, this, [this] {
            // A slow handler, so that a send which does not wait for it is caught.
            QThread::msleep(150);
            setXProperty(this, "_PEER_CLICKS", std::to_string(++m_clicks));
        });
    }

private:
    int m_clicks = 0;
};

// Opens a modal box over its window; once the box is closed, counts the press as done.
class ModalButton : public QPushButton {
public:
    ModalButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
    {
        connect(this, &QPushButton::clicked, this, [this] {
            QMessageBox::critical(window(), QStringLiteral("模态框"), QStringLiteral("关闭后才算按完"));
            QThread::msleep(100); // the rest of the press, after the box
            setXProperty(this, "_PEER_MODAL_DONE", std::to_string(++m_done));
        });
    }

private:
    int m_done = 0;
};

// Records where it was clicked, in its own coordinates.
class ClickArea : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        const QPoint p = event->position().toPoint();
        setXProperty(this, "_PEER_CLICK_AT", std::to_string(p.x()) + "," + std::to_string(p.y()));
    }
};

QWidget* nativeChild(QWidget* w, const char* windowClass, const std::string& name, QRect geometry)
{
    w->setAttribute(Qt::WA_NativeWindow);
    w->setGeometry(geometry);
    w->winId();
    setClass(w, windowClass);
    if (!name.empty())
        setNetName(w, name);
    return w;
}

void report(const char* name, QWidget* w)
{
    std::printf("%s=%lu\n", name, static_cast<unsigned long>(w->winId()));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    peerDisplay = XOpenDisplay(nullptr);
    if (!peerDisplay)
        return 2;

    QWidget main;
    main.setWindowTitle(QStringLiteral("试验主窗口"));
    main.resize(400, 300);
    main.winId();
    auto* first = nativeChild(new CountingButton("按钮一", &main), "PeerButton", "按钮一", {10, 10, 100, 40});
    auto* second = nativeChild(new CountingButton("按钮二", &main), "PeerButton", "", {120, 10, 100, 40});
    setOldName(second, "按钮二");
    auto* panel = nativeChild(new QWidget(&main), "PeerPanel", "", {10, 100, 200, 100});
    auto* inner = nativeChild(new CountingButton("内层", panel), "PeerButton", "内层", {10, 10, 80, 40});
    auto* area = nativeChild(new ClickArea(&main), "PeerToolbar", "", {230, 100, 150, 150});
    auto* modal = nativeChild(new ModalButton("模态", &main), "PeerModal", "模态", {230, 10, 100, 40});

    QWidget hidden;
    hidden.setWindowTitle(QStringLiteral("隐藏窗口"));
    hidden.winId();

    QWidget disabled;
    disabled.setWindowTitle(QStringLiteral("禁用窗口"));
    disabled.resize(200, 100);

    QWidget framed;
    framed.setWindowTitle(QStringLiteral("框内窗口"));
    framed.resize(200, 100);

    main.show();
    disabled.show();
    framed.show();
    for (QWidget* top : {&main, &hidden, &disabled, &framed})
        setClass(top, "PeerTop");
    // Qt keeps its own WM_HINTS; take input away afterwards, as a window that refuses it would.
    XWMHints* hints = XAllocWMHints();
    hints->flags = InputHint;
    hints->input = False;
    XSetWMHints(peerDisplay, disabled.winId(), hints);
    XFree(hints);
    XSync(peerDisplay, False);
    app.processEvents();

    report("main", &main);
    report("first", first);
    report("second", second);
    report("panel", panel);
    report("inner", inner);
    report("area", area);
    report("modal", modal);
    report("hidden", &hidden);
    report("disabled", &disabled);
    report("framed", &framed);
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
