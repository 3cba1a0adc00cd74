// Browsing a large store: the query filling the list, scrolling the list, ticking all rows and
// exporting 10,000 ticked rows.
//
// Usage: browse_bench [DOCUMENTS] [TEMPLATE.xlsx]
//   DOCUMENTS defaults to 100000; the template defaults to the one beside the corvina executable.

#include "BenchStore.h"
#include "app/Clock.h"
#include "doubles/NoStopKey.h"
#include "doubles/RecordingPrompter.h"
#include "invoices/InvoiceExport.h"
#include "invoices/InvoiceList.h"
#include "invoices/InvoiceQuery.h"
#include "invoices/Texts.h"
#include "session/AppSession.h"
#include "store/LocalStore.h"
#include "store/Statements.h"
#include "ui/InvoiceListModel.h"
#include "ui/TMainFrm.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QScrollBar>
#include <QSet>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>

using namespace corvina;

namespace {

// Counts what the view asks of the list.
class CountingProxy : public QIdentityProxyModel {
public:
    mutable long calls = 0;
    mutable QSet<int> rows;
    QVariant data(const QModelIndex& index, int role) const override
    {
        ++calls;
        rows.insert(index.row());
        return QIdentityProxyModel::data(index, role);
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int documents = argc > 1 ? std::atoi(argv[1]) : 100000;
    const QString templatePath = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                          : QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/") +
                                                ExportTexts::ExportTemplateName;
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    if (!QFile::copy(templatePath, folder + ExportTexts::ExportTemplateName)) {
        std::fprintf(stderr, "export template not found: %s\n", qPrintable(templatePath));
        return 1;
    }

    RecordingPrompter prompter;
    FakeClock clock(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    QElapsedTimer timer;
    {
        LocalStore store(folder + QStringLiteral("SysData.mdb"), prompter);
        store.open();
        timer.start();
        bench::seedDocuments(store, documents, QStringLiteral("2024-03-05 14:07"));
        std::printf("seeding %d documents: %lld ms\n", documents, timer.elapsed());
    }

    {
        LocalStore store(folder + QStringLiteral("SysData.mdb"), prompter);
        store.open();
        timer.start();
        std::vector<InvoiceRow> rows =
            runInvoiceQuery(store, QStringLiteral("0"), clock.now().addSecs(-60), clock.now());
        const qint64 selectMs = timer.elapsed();
        InvoiceListModel model;
        timer.start();
        model.replaceRows(std::move(rows));
        std::printf("query alone: select and rows %lld ms, model reset %lld ms\n", selectMs, timer.elapsed());
    }

    AppSession session({folder, {}}, prompter, clock);
    TMainFrm frm(session, std::make_unique<NoStopKey>());
    frm.show();
    QApplication::processEvents();

    timer.start();
    frm.BitBtn1Click();
    QApplication::processEvents();
    const qint64 queryMs = timer.elapsed();
    std::printf("query filling the list with %d rows (window shown): %lld ms\n", frm.invoiceList().rowCount(), queryMs);

    // A second view over the same rows counts what it asks for while it scrolls.
    CountingProxy proxy;
    proxy.setSourceModel(&frm.invoiceList());
    QTableView view;
    view.resize(688, 420);
    view.setModel(&proxy);
    view.show();
    QApplication::processEvents();
    proxy.calls = 0;
    proxy.rows.clear();
    const int steps = 200;
    QScrollBar* bar = view.verticalScrollBar();
    timer.start();
    for (int s = 1; s <= steps; ++s) {
        bar->setValue(bar->maximum() * s / steps);
        view.viewport()->repaint();
    }
    const qint64 scrollMs = timer.elapsed();
    const int visibleRows = view.viewport()->height() / std::max(1, view.rowHeight(0)) + 1;
    std::printf("scrolling %d steps over %d rows: %lld ms (%.2f ms a step); %ld data() calls touching %lld distinct "
                "rows, about %d rows visible a step (%lld rows at most if only visible rows are asked)\n",
                steps, frm.invoiceList().rowCount(), scrollMs, double(scrollMs) / steps, proxy.calls,
                static_cast<long long>(proxy.rows.size()), visibleRows, static_cast<long long>(steps) * visibleRows);

    timer.start();
    frm.chkSelect->click();
    std::printf("select all on %d rows, totals included: %lld ms (%s)\n", frm.invoiceList().rowCount(), timer.elapsed(),
                qPrintable(frm.fapje_lb->text()));
    frm.chkSelect->click();

    const int ticked = std::min(10000, frm.invoiceList().rowCount());
    for (int r = 0; r < ticked; ++r)
        frm.invoiceList().setChecked(r, true);
    InvoiceExport exporter(prompter, clock, folder);
    const QString out = folder + QStringLiteral("export.xlsx");
    prompter.queueFile(out);
    timer.start();
    const InvoiceExport::Outcome outcome = exporter.run(frm.invoiceList());
    std::printf("export of %d ticked rows: %lld ms, %s, %lld bytes\n", ticked, timer.elapsed(),
                outcome == InvoiceExport::Outcome::Exported ? "exported" : "FAILED", QFileInfo(out).size());
    return outcome == InvoiceExport::Outcome::Exported ? 0 : 1;
}
