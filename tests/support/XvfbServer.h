#pragma once

#include <QString>
#include <sys/types.h>

namespace corvina::test {

// A private X server for one test: Xvfb on a display number it picks itself. Stopped on
// destruction.
class XvfbServer {
public:
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool running() const { return m_pid > 0 && !m_display.isEmpty(); }
    // ":N"
    QString display() const { return m_display; }
    std::string displayName() const { return m_display.toStdString(); }

private:
    pid_t m_pid = -1;
    QString m_display;
};

} // namespace corvina::test
