#include "E2eRig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QThread>
#include <gtest/gtest.h>

namespace corvina::test {

namespace {

QProcessEnvironment desktopEnvironment(const QString& display)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
#ifndef Q_OS_WIN
    env.insert(QStringLiteral("DISPLAY"), display.isEmpty() ? e2eDisplay() : display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
#else
    Q_UNUSED(display);
#endif
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

void pause(int ms)
{
    waitFor([] { return false; }, ms);
}

DesktopProgram::DesktopProgram(const QString& name, const QStringList& args, const QString& display)
{
    m_process.setProcessEnvironment(desktopEnvironment(display));
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

void DesktopProgram::killNow()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill(); // SIGKILL: nothing of the program runs any more
    m_process.waitForFinished(10000);
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

std::unique_ptr<DesktopProgram> startStandin(const IssuingRig& rig, const QStringList& windowOptions,
                                             const QString& display)
{
    auto standin = std::make_unique<DesktopProgram>(QStringLiteral("invoicing-standin"),
                                                    windowOptions + QStringList{rig.invoicingFolder()}, display);
    if (!standin->started() || !waitFor([&] { return standin->out().contains(QStringLiteral("ready")); }, 20000))
        return nullptr;
    return standin;
}

bool importSampleWorkbook(const IssuingRig& rig, int documents, QString* error)
{
    const QString workbook = rig.appFolder() + QStringLiteral("样例销售单据.xlsx");
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(CORVINA_SOURCE_DIR "/resources/demo/make_sample_workbook.py"), workbook,
                  QString::number(documents)});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        *error = QStringLiteral("sample workbook not written: ") + QString::fromUtf8(python.readAllStandardError());
        return false;
    }
    const ProcessResult import =
        runProgram(QStringLiteral("corvina"),
                   {QStringLiteral("import"), workbook, QStringLiteral("--app-folder"), rig.appFolder()});
    if (import.status != 0) {
        *error = QStringLiteral("corvina import failed: ") + import.err + import.out;
        return false;
    }
    return true;
}

QString sampleCustomer(int n)
{
    static const QStringList customers = {QStringLiteral("上海远洋贸易有限公司"), QStringLiteral("Hamburg Import GmbH"),
                                          QStringLiteral("大阪商事株式会社"), QStringLiteral("Lyon Textiles SA"),
                                          QStringLiteral("宁波进出口集团")};
    return customers[(n - 1) % customers.size()];
}

void expectStoreMatchesIssued(const IssuingRig& rig, const QStringList& ids)
{
    const QList<QStringList> issued = rig.issued();
    for (int i = 0; i < ids.size(); ++i) {
        SCOPED_TRACE(ids[i].toStdString());
        const StoredState s = rig.stored(ids[i]);
        if (i < issued.size()) {
            EXPECT_EQ(s.fok, QStringLiteral("1"));
            EXPECT_EQ(s.code, issued[i][0]);
            EXPECT_EQ(s.number, issued[i][1]);
        } else {
            EXPECT_EQ(s.fok, QStringLiteral("0"));
            EXPECT_EQ(s.number, QString());
        }
    }
}

ProcessResult runIssue(const IssuingRig& rig, const QStringList& more, int boundMs)
{
    DesktopProgram corvina(QStringLiteral("corvina"), QStringList{QStringLiteral("issue"), QStringLiteral("--yes"),
                                                                  QStringLiteral("--app-folder"), rig.appFolder()} +
                                                          more);
    const int status = corvina.finish(boundMs);
    return {status, corvina.out(), corvina.err()};
}

} // namespace corvina::test
