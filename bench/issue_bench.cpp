// The tool's own cost per issued invoice, beyond the fixed waits on the invoicing program, with a
// large store: the preparation (readiness, issuing data, both request files), opening the dialog
// and pressing its buttons, reading the book before "保存" and to confirm the issue, and
// journalling and recording the invoice in the store and the list. The invoicing
// program's windows are scripted on the fake window services, whose clock is virtual, so the
// measured time is the tool's CPU and disk time only.
//
// Usage: issue_bench [DOCUMENTS] [INVOICES]
//   DOCUMENTS in the store (default 100000), INVOICES ticked and issued (default 300).

#include "BenchStore.h"
#include "app/Clock.h"
#include "app/Paths.h"
#include "app/Settings.h"
#include "doubles/FakeWindowServices.h"
#include "doubles/RecordingPrompter.h"
#include "invoices/InvoiceList.h"
#include "invoices/InvoiceQuery.h"
#include "invoicing/InvoicingProgramSteps.h"
#include "invoicing/InvoicingWindows.h"
#include "issuing/BatchRun.h"
#include "issuing/UiThreadInvoiceList.h"
#include "store/IssueJournal.h"
#include "store/LocalStore.h"
#include "store/Statements.h"
#include "ui/InvoiceListModel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace corvina;

namespace {

// Times each step the run calls; what is left of an invoice's time is the journal, the recording
// and the walk through the list.
class TimedSteps : public IssuingSteps {
public:
    // `outside` is time spent meanwhile by the invoicing program, kept out of each invoice's time.
    TimedSteps(IssuingSteps& inner, const qint64& outside) : m_inner(inner), m_outside(outside) {}
    qint64 prepare = 0, dialog = 0, book = 0, press = 0;
    std::vector<qint64> perInvoice; // from the start of preparing to the start of the next one
    bool ReadPrintSettings() override { return m_inner.ReadPrintSettings(); }
    bool PrepareIssue(const InvoiceRow& row) override
    {
        finish();
        m_invoice.start();
        m_outsideAtStart = m_outside;
        return timed(prepare, [&] { return m_inner.PrepareIssue(row); });
    }
    bool OpenIssueDialog() override
    {
        return timed(dialog, [&] { return m_inner.OpenIssueDialog(); });
    }
    bool FindIssueButtons() override
    {
        return timed(dialog, [&] { return m_inner.FindIssueButtons(); });
    }
    bool BookAsPrepared(const QString& orderId) override
    {
        return timed(book, [&] { return m_inner.BookAsPrepared(orderId); });
    }
    void PressIssueButtons() override
    {
        timed(press, [&] {
            m_inner.PressIssueButtons();
            return true;
        });
    }
    bool ConfirmIssue() override
    {
        return timed(book, [&] { return m_inner.ConfirmIssue(); });
    }
    QString invoiceCode() const override { return m_inner.invoiceCode(); }
    QString invoiceNumber() const override { return m_inner.invoiceNumber(); }
    void finish()
    {
        if (m_invoice.isValid())
            perInvoice.push_back(m_invoice.nsecsElapsed() - (m_outside - m_outsideAtStart));
    }

private:
    template <typename F> bool timed(qint64& total, F&& f)
    {
        QElapsedTimer t;
        t.start();
        const bool ok = f();
        total += t.nsecsElapsed();
        return ok;
    }
    IssuingSteps& m_inner;
    const qint64& m_outside;
    qint64 m_outsideAtStart = 0;
    QElapsedTimer m_invoice;
};

// The invoicing program's windows: a toolbar click opens the dialog, "保存" moves the enabled book
// on to its next number (all the tool looks at; its time is the invoicing program's and is taken
// out of the presses), "关闭" closes the dialog.
class ScriptedInvoicingProgram {
public:
    ScriptedInvoicingProgram(FakeWindowServices& windows, const QString& database) : m_windows(windows)
    {
        m_db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-invoicing-%1").arg(++s_count));
        m_db.setDatabaseName(database);
        m_db.open();
        const WindowHandle main =
            windows.addWindow({NoWindow, "WindowsForms10.Window.8.app3", invoicing::MainWindowTitle});
        const WindowHandle toolbar = windows.addWindow({main, invoicing::ToolbarClass, ""});
        windows.onPress(toolbar, [this] { openDialog(); });
    }
    ~ScriptedInvoicingProgram()
    {
        const QString name = m_db.connectionName();
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    qint64 saveTime = 0;

private:
    void openDialog()
    {
        FakeWindowServices& windows = m_windows;
        const WindowHandle dialog =
            windows.addWindow({NoWindow, invoicing::IssueDialogClass, invoicing::IssueDialogTitle, windows.now(),
                               windows.now(), windows.now()});
        for (const char* caption : invoicing::IssueButtonCaptions) {
            const WindowHandle button = windows.addWindow({dialog, invoicing::ButtonClass, caption});
            if (std::string(caption) == "保存")
                windows.onPress(button, [this] { save(); });
            if (std::string(caption) == "关闭")
                windows.onPress(button, [&windows, dialog] { windows.setDisappearAt(dialog, windows.now()); });
        }
    }
    void save()
    {
        QElapsedTimer t;
        t.start();
        QSqlQuery(m_db).exec(
            QStringLiteral("update FPB_TZ set DQKYH = printf('%08d', cast(DQKYH as integer) + 1) where ZTID = 3"));
        saveTime += t.nsecsElapsed();
    }
    static inline int s_count = 0;
    FakeWindowServices& m_windows;
    QSqlDatabase m_db;
};

double ms(qint64 ns)
{
    return static_cast<double>(ns) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int documents = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int invoices = std::min(documents, argc > 2 ? std::atoi(argv[2]) : 300);

    QTemporaryDir dir;
    const QString invoicing = dir.filePath(QStringLiteral("invoicing"));
    const QString standin = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/invoicing-standin");
    if (QProcess::execute(standin, {QStringLiteral("--init"), invoicing}) != 0) {
        std::fprintf(stderr, "cannot make the invoicing program's folder with %s\n", qPrintable(standin));
        return 1;
    }
    QFile ini(dir.filePath(QStringLiteral("sysconfig.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        return 1;
    ini.write("\xEF\xBB\xBF" + QStringLiteral("[sys]\r\nkaippath=%1\r\n").arg(invoicing).toUtf8());
    ini.close();
    const AppSettings settings = AppSettings::load(ExeFolder(dir.path()));

    RecordingPrompter prompter;
    // Virtual: the preparation's pause only moves it, like the window services' sleeps.
    FakeClock clock(QDateTime(QDate(2024, 3, 5), QTime(9, 0)));
    LocalStore store(settings.LocalStorePath, prompter);
    if (!store.open())
        return 1;
    QElapsedTimer t;
    t.start();
    bench::seedDocuments(store, documents, QStringLiteral("2024-03-01 09:00"));
    std::printf("store: %d documents seeded in %.0f ms\n", documents, static_cast<double>(t.elapsed()));

    // The query's list of every pending document; the first INVOICES are ticked, spread over it.
    PlainInvoiceList list;
    list.replaceRows(runInvoiceQuery(store, QStringLiteral("0"), QDateTime(QDate(2024, 1, 1), QTime(0, 0)),
                                     QDateTime(QDate(2024, 12, 31), QTime(0, 0))));
    const int stride = std::max(1, list.rowCount() / std::max(1, invoices));
    for (int i = 0; i < invoices; ++i)
        list.setChecked(i * stride, true);

    FakeWindowServices windows;
    ScriptedInvoicingProgram program(windows, nativePath(settings.IssuingDatabasePath));

    IssuingState state;
    InvoicingProgramSteps steps(settings, store, state, windows, clock, prompter);
    IssueJournal journal(store, clock, prompter);
    TimedSteps timedSteps(steps, program.saveTime);
    std::atomic<bool> running{true};
    int issued = 0;
    BatchRunHooks hooks;
    hooks.issued = [&issued](const QString&, const QString&, const QString&) { ++issued; };
    t.restart();
    const BatchEnd end = RunBatchIssue(list, journal, prompter, running, timedSteps, hooks);
    timedSteps.finish();
    const qint64 total = t.nsecsElapsed() - program.saveTime;
    if (end != BatchEnd::Normal || issued != invoices || !prompter.texts().isEmpty()) {
        std::fprintf(stderr, "run did not issue every invoice (end %d, %d rows): %d of %d; %s\n", int(end),
                     list.rowCount(), issued, invoices, qPrintable(prompter.texts().join(QLatin1Char('|'))));
        return 1;
    }
    std::vector<qint64> per = timedSteps.perInvoice;
    std::sort(per.begin(), per.end());
    const double n = invoices;
    const qint64 press = timedSteps.press - program.saveTime;
    const double record = ms(total - timedSteps.prepare - timedSteps.dialog - timedSteps.book - press) / n;
    std::printf("issue: %d invoices from a list of %d rows; fixed waits per invoice (virtual): %.0f ms\n", invoices,
                list.rowCount(), static_cast<double>(windows.now() + clock.sleptMilliseconds()) / n);
    std::printf("tool-side per invoice: mean %.2f ms, median %.2f ms, max %.2f ms\n", ms(total) / n,
                ms(per[per.size() / 2]), ms(per.back()));
    std::printf("  prepare (readiness, issuing data, request files) %.2f ms\n", ms(timedSteps.prepare) / n);
    std::printf("  dialog and buttons found %.3f ms, presses %.3f ms\n", ms(timedSteps.dialog) / n, ms(press) / n);
    std::printf("  book read before 保存 and after the presses %.2f ms\n", ms(timedSteps.book) / n);
    std::printf("  journal, recording in the store and the list, walking the list %.2f ms\n", record);
    std::printf("  (the invoicing program's own 保存, taken out: %.2f ms)\n", ms(program.saveTime) / n);

    // The same run as the window makes it: on its own thread with its own store connection,
    // reaching the window's list model only through the UI-thread accessor.
    InvoiceListModel model;
    model.replaceRows(runInvoiceQuery(store, QStringLiteral("0"), QDateTime(QDate(2024, 1, 1), QTime(0, 0)),
                                      QDateTime(QDate(2024, 12, 31), QTime(0, 0))));
    const int windowInvoices = std::min(invoices, model.rowCount());
    const int windowStride = std::max(1, model.rowCount() / std::max(1, windowInvoices));
    for (int i = 0; i < windowInvoices; ++i)
        model.setChecked(i * windowStride, true);
    FakeWindowServices windowWindows;
    ScriptedInvoicingProgram windowProgram(windowWindows, nativePath(settings.IssuingDatabasePath));
    int windowIssued = 0;
    qint64 windowTotal = 0;
    QEventLoop loop;
    QThread* thread = QThread::create([&] {
        LocalStore threadStore(settings.LocalStorePath, prompter);
        UiThreadInvoiceList accessor(model, &app);
        IssuingState threadState;
        InvoicingProgramSteps threadSteps(settings, threadStore, threadState, windowWindows, clock, prompter);
        IssueJournal threadJournal(threadStore, clock, prompter);
        std::atomic<bool> threadRunning{true};
        BatchRunHooks threadHooks;
        threadHooks.issued = [&windowIssued](const QString&, const QString&, const QString&) { ++windowIssued; };
        QElapsedTimer w;
        w.start();
        RunBatchIssue(accessor, threadJournal, prompter, threadRunning, threadSteps, threadHooks);
        windowTotal = w.nsecsElapsed();
    });
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec();
    thread->wait();
    delete thread;
    windowTotal -= windowProgram.saveTime;
    if (windowIssued != windowInvoices) {
        std::fprintf(stderr, "window run issued %d of %d\n", windowIssued, windowInvoices);
        return 1;
    }
    std::printf("window run (list through the UI thread, %d rows): tool-side per invoice %.2f ms\n", model.rowCount(),
                ms(windowTotal) / windowInvoices);
    return 0;
}
