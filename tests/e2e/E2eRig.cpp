#include "E2eRig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QThread>

namespace corvina::test {

namespace {

QProcessEnvironment desktopEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), e2eDisplay());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return env;
}

} // namespace

bool waitFor(const std::function<bool()>& condition, int boundMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > boundMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

DesktopProgram::DesktopProgram(const QString& name, const QStringList& args)
{
    m_process.setProcessEnvironment(desktopEnvironment());
    m_process.setProgram(QStringLiteral(CORVINA_BIN_DIR "/") + name);
    m_process.setArguments(args);
    m_process.start();
    m_started = m_process.waitForStarted(10000);
    if (m_started)
        m_process.closeWriteChannel();
}

DesktopProgram::~DesktopProgram()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

QString DesktopProgram::out()
{
    m_out += QString::fromUtf8(m_process.readAllStandardOutput());
    return m_out;
}

QString DesktopProgram::err()
{
    m_err += QString::fromUtf8(m_process.readAllStandardError());
    return m_err;
}

int DesktopProgram::finish(int boundMs)
{
    if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(boundMs))
        return -1;
    out();
    err();
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

std::unique_ptr<DesktopProgram> startStandin(const IssuingRig& rig, const QStringList& windowOptions)
{
    auto standin = std::make_unique<DesktopProgram>(QStringLiteral("invoicing-standin"),
                                                    windowOptions + QStringList{rig.invoicingFolder()});
    if (!standin->started() || !waitFor([&] { return standin->out().contains(QStringLiteral("ready")); }, 20000))
        return nullptr;
    return standin;
}

ProcessResult runIssue(const IssuingRig& rig, const QStringList& more, int boundMs)
{
    DesktopProgram corvina(QStringLiteral("corvina"),
                           QStringList{QStringLiteral("issue"), QStringLiteral("--yes"), QStringLiteral("--app-folder"),
                                       rig.appFolder()}
                               + more);
    const int status = corvina.finish(boundMs);
    return {status, corvina.out(), corvina.err()};
}

} // namespace corvina::test
