#include "support/XvfbServer.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace corvina::test {

XvfbServer::XvfbServer()
{
    int fds[2];
    if (pipe(fds) != 0)
        return;
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    // Xvfb writes the display number it chose to this descriptor once it accepts clients.
    const std::string fd = std::to_string(fds[1]);
    std::vector<std::string> args = {"Xvfb", "-displayfd",  fd,        "-nolisten", "tcp", "-screen",
                                     "0",    "1024x768x24", "-noreset"};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int rc = posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        m_pid = -1;
        close(fds[0]);
        return;
    }
    std::string number;
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 20000) <= 0)
            break;
        char c = 0;
        const ssize_t n = read(fds[0], &c, 1);
        if (n <= 0 || c == '\n')
            break;
        number += c;
    }
    close(fds[0]);
    if (!number.empty())
        m_display = QStringLiteral(":") + QString::fromStdString(number);
}

XvfbServer::~XvfbServer()
{
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int status = 0;
        while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

} // namespace corvina::test
