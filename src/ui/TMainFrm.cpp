#include "ui/TMainFrm.h"
#include "session/AppSession.h"
#include "session/StoreMove.h"

#include "app/Clock.h"
#include "app/Failure.h"
#include "app/Prompter.h"
#include "invoices/InvoiceBrowser.h"
#include "invoices/InvoiceCaptions.h"
#include "invoices/InvoiceExport.h"
#include "invoices/InvoiceQuery.h"
#include "invoices/Texts.h"
#include "invoices/WorkbookImport.h"
#include "invoicing/IssuingDatabase.h"
#include "issuing/BatchRunController.h"
#include "issuing/Texts.h"
#include "platform/StopKey.h"
#include "store/IssueJournal.h"
#include "store/LocalStore.h"
#include "ui/InvoiceListModel.h"
#include "ui/Place.h"
#include "ui/TJournalFrm.h"
#include "ui/Texts.h"
#include "ui/TfrmEdt.h"
#include "ui/UiFonts.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDesktopServices>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace corvina {

namespace {

// Shows the hourglass for the lifetime of the guard.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

void setupReportView(QAbstractItemView* view)
{
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setFont(listFont());
}

// Turns a widget back on when the scope that turned it off ends, however it ends.
struct ReenableOnExit {
    QWidget* widget;
    ~ReenableOnExit() { widget->setEnabled(true); }
};

} // namespace

TMainFrm::TMainFrm(AppSession& session, std::unique_ptr<StopKey> stopKey, QWidget* parent)
    : QMainWindow(parent), m_session(session), m_prompter(session.prompter()), m_clock(session.clock()),
      m_settings(session.settings()), m_store(session.store()), m_issuing(session.invoicingDatabase())
{
    buildControls();
    m_batchRun = new BatchRunController(m_prompter, m_clock, stopKey ? std::move(stopKey) : createPlatformStopKey(),
                                        *m_model, this, m_session.runSetup(), this);
    connect(m_batchRun, &BatchRunController::captionChanged, BitBtn4, &QPushButton::setText);
    connect(m_batchRun, &BatchRunController::listChanged, this, [this] { update(); });
    connect(m_batchRun, &BatchRunController::closeNow, this, &QWidget::close);
    FormCreate();
}

TMainFrm::~TMainFrm() = default;

void TMainFrm::buildControls()
{
    setWindowTitle(UiTexts::MainCaption);
    setFont(windowFont());
    setGeometry(202, 153, 908, 526);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);

    auto* band = new QWidget(central);
    band->setFixedHeight(105);
    layout->addWidget(band);

    GroupBox1 = place(new QGroupBox(UiTexts::QueryFrame, band), 8, 16, 569, 41);
    Label3 = place(new QLabel(BrowserTexts::EditStateLabel, GroupBox1), 16, 17);
    wwDBComboBox1 = new QComboBox(GroupBox1);
    wwDBComboBox1->setEditable(true);
    wwDBComboBox1->setInsertPolicy(QComboBox::NoInsert);
    wwDBComboBox1->setCompleter(nullptr); // the typed text stays as typed; the value maps it
    for (const auto& [shown, value] : queryStateEntries())
        wwDBComboBox1->addItem(shown, value);
    wwDBComboBox1->setCurrentIndex(0);
    place(wwDBComboBox1, 72, 13, 73, 21);
    Label1 = place(new QLabel(UiTexts::TimeLabel, GroupBox1), 159, 17);
    for (QDateTimeEdit** picker : {&wwDBDateTimePicker1, &wwDBDateTimePicker2}) {
        *picker = new QDateTimeEdit(GroupBox1);
        (*picker)->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
        (*picker)->setCalendarPopup(true);
    }
    place(wwDBDateTimePicker1, 216, 13, 121, 21);
    Label2 = place(new QLabel(UiTexts::To, GroupBox1), 343, 17);
    place(wwDBDateTimePicker2, 360, 13, 121, 21);
    BitBtn1 = place(new QPushButton(UiTexts::Query, GroupBox1), 486, 11, 75, 25);

    BitBtn2 = place(new QPushButton(UiTexts::Import, band), 584, 28, 75, 25);
    BitBtn3 = place(new QPushButton(UiTexts::Delete, band), 672, 28, 75, 25);
    BitBtn5 = place(new QPushButton(UiTexts::Export, band), 760, 28, 75, 25);
    BitBtn4 = place(new QPushButton(IssuingTexts::StartCaption, band), 584, 68, 75, 25);
    BitBtn6 = place(new QPushButton(UiTexts::Journal, band), 848, 28, 52, 25);
    chkSelect = place(new QCheckBox(UiTexts::SelectAll, band), 9, 74, 79, 17);
    xuanzfpzs_lb = place(new QLabel(UiTexts::CountInitial, band), 100, 75, 189, -1);
    fapje_lb = place(new QLabel(UiTexts::SumInitial, band), 300, 75, 221, -1);
    Label4 = new QLabel(UiTexts::F10Note, band);
    Label4->setStyleSheet(QStringLiteral("color: maroon"));
    place(Label4, 669, 74);

    Splitter1 = new QSplitter(Qt::Horizontal, central);
    layout->addWidget(Splitter1, 1);

    m_model = new InvoiceListModel(this);
    lv_Fpxc = new QTableView(Splitter1);
    lv_Fpxc->setModel(m_model);
    setupReportView(lv_Fpxc);
    lv_Fpxc->setShowGrid(true);
    lv_Fpxc->verticalHeader()->hide();
    lv_Fpxc->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lv_Fpxc->verticalHeader()->setDefaultSectionSize(QFontMetrics(listFont()).height() + 6);
    lv_Fpxc->horizontalHeader()->setHighlightSections(false);
    for (int c = 0; c <= kInvoiceTextColumns; ++c)
        lv_Fpxc->setColumnWidth(c, invoiceColumnWidth(c));
    lv_Fpxc->viewport()->installEventFilter(this);
    connect(lv_Fpxc, &QTableView::doubleClicked, this, &TMainFrm::lv_FpxcDblClick);

    LV_Detail = new QTableWidget(0, kLineColumns, Splitter1);
    setupReportView(LV_Detail);
    LV_Detail->verticalHeader()->hide();
    for (int c = 0; c < kLineColumns; ++c) {
        LV_Detail->setHorizontalHeaderItem(c, new QTableWidgetItem(lineCaption(c)));
        LV_Detail->setColumnWidth(c, lineColumnWidth(c));
    }
    Splitter1->setSizes({688, 908 - 688});
    Splitter1->setStretchFactor(1, 1);

    connect(BitBtn1, &QPushButton::clicked, this, &TMainFrm::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TMainFrm::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TMainFrm::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &TMainFrm::BitBtn4Click);
    connect(BitBtn5, &QPushButton::clicked, this, &TMainFrm::BitBtn5Click);
    connect(BitBtn6, &QPushButton::clicked, this, &TMainFrm::BitBtn6Click);
    connect(chkSelect, &QCheckBox::clicked, this, &TMainFrm::chkSelectClick);
}

bool TMainFrm::eventFilter(QObject* watched, QEvent* event)
{
    // A click anywhere on the list (a row, its check box, empty space) updates the totals; it runs
    // after the view has toggled the check box.
    if (watched == lv_Fpxc->viewport() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        QTimer::singleShot(0, this, &TMainFrm::lv_FpxcClick);
    return QMainWindow::eventFilter(watched, event);
}

void TMainFrm::FormCreate()
{
    RegisterStopKey();
    // The replaced program's Access store is moved (when the clerk agrees) before it is opened.
    offerStoreMove(m_settings, m_prompter, m_clock);
    if (!m_store.open())
        ShowMessageBox(m_prompter, BoxOwner::MainWindow, UiTexts::LocalStoreFailed, MessageBoxKind::YesNo);
    else if (m_store.isReadOnly())
        setWindowTitle(UiTexts::MainCaption + UiTexts::ReadOnlyCaption);

    if (!m_issuing.open())
        ShowMessageBox(m_prompter, BoxOwner::MainWindow, UiTexts::IssuingDatabaseFailed, MessageBoxKind::YesNo);

    const QDateTime now = m_clock.now();
    wwDBDateTimePicker1->setDateTime(now);
    wwDBDateTimePicker2->setDateTime(now);
}

void TMainFrm::RegisterStopKey()
{
    m_batchRun->RegisterStopKey();
}

void TMainFrm::ReleaseStopKey()
{
    m_batchRun->ReleaseStopKey();
}

void TMainFrm::closeEvent(QCloseEvent* event)
{
    // During a run the invoice in hand is finished (buttons pressed, recorded) before the window
    // goes; the controller closes it then.
    if (!m_batchRun->requestClose()) {
        setWindowTitle(UiTexts::MainCaption + QStringLiteral(" - ") + IssuingTexts::ClosingAfterInvoice);
        event->ignore();
        return;
    }
    event->accept();
}

bool TMainFrm::refuseDuringRun()
{
    if (!m_batchRun->threadActive())
        return false;
    ShowMessageBox(m_prompter, BoxOwner::MainWindow, IssuingTexts::RefusedDuringRun, MessageBoxKind::Info);
    return true;
}

QString TMainFrm::stateValue() const
{
    return mappedStateValue(queryStateEntries(), wwDBComboBox1->currentText());
}

void TMainFrm::BitBtn1Click()
{
    if (refuseDuringRun())
        return;
    WaitCursor wait;
    m_model->replaceRows({});
    try {
        m_model->replaceRows(
            runInvoiceQuery(m_store, stateValue(), wwDBDateTimePicker1->dateTime(), wwDBDateTimePicker2->dateTime()));
    } catch (const Failure& failure) {
        // Not handled here: the clerk sees the store's own message, the list stays empty.
        ShowMessageBox(m_prompter, BoxOwner::MainWindow, failure.message(), MessageBoxKind::Error);
        return;
    }
    wwDBDateTimePicker2->setDateTime(m_clock.now());
}

void TMainFrm::BitBtn2Click()
{
    if (refuseDuringRun())
        return;
    WorkbookImport workbookImport(m_settings, m_prompter, m_clock, m_store);
    // Made once the workbook is chosen and counted, so it never stands over the file dialog.
    // Application-modal: while it shows, no other action can start.
    std::unique_ptr<QProgressDialog> progress;
    // Until the progress dialog shows, events still reach the window: its controls are off meanwhile,
    // so no second action can start in the middle of the import.
    const ReenableOnExit reenable{centralWidget()};
    workbookImport.setProgress([this, &progress](int done, int total) {
        if (!progress) {
            centralWidget()->setEnabled(false);
            progress = std::make_unique<QProgressDialog>(ImportTexts::ProgressLabel, QString(), 0, total, this);
            progress->setWindowModality(Qt::ApplicationModal);
            progress->setCancelButton(nullptr);
            progress->setMinimumDuration(300);
            progress->setAutoClose(false);
        }
        progress->setMaximum(total);
        progress->setValue(done);
        QCoreApplication::processEvents();
    });
    workbookImport.importFromDialog([&progress](const QString& logPath) {
        progress.reset();
        QDesktopServices::openUrl(QUrl::fromLocalFile(logPath));
    });
}

void TMainFrm::BitBtn3Click()
{
    if (refuseDuringRun())
        return;
    InvoiceBrowser browser(m_store, m_prompter, m_clock, m_settings.Station);
    // The rerun query shows the store's new content and unticks every row.
    if (browser.deleteTicked(*m_model).outcome == InvoiceBrowser::DeleteOutcome::Deleted)
        BitBtn1Click();
}

void TMainFrm::BitBtn4Click()
{
    m_batchRun->press();
}

void TMainFrm::BitBtn5Click()
{
    InvoiceExport exporter(m_prompter, m_clock, m_settings.AppFolder);
    exporter.setBusyHook([](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
    exporter.run(*m_model);
}

void TMainFrm::chkSelectClick()
{
    if (chkSelect->isChecked()) {
        chkSelect->setText(UiTexts::ClearAll);
        for (int row = 0; row < m_model->rowCount(); ++row)
            m_model->setChecked(row, true);
    } else {
        for (int row = 0; row < m_model->rowCount(); ++row)
            m_model->setChecked(row, false);
        chkSelect->setText(UiTexts::SelectAll);
    }
    UpdateSelectionTotals();
}

void TMainFrm::lv_FpxcClick()
{
    UpdateSelectionTotals();
    const QModelIndexList selected = lv_Fpxc->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    int first = selected.first().row();
    for (const QModelIndex& index : selected)
        first = std::min(first, index.row());

    LV_Detail->setRowCount(0);
    InvoiceBrowser browser(m_store, m_prompter, m_clock, m_settings.Station);
    std::vector<QStringList> items;
    try {
        items = browser.lineItems(m_model->text(first, ColOrderId));
    } catch (const Failure& failure) {
        // The line-item list stays empty.
        ShowMessageBox(m_prompter, BoxOwner::MainWindow, failure.message(), MessageBoxKind::Error);
        return;
    }
    LV_Detail->setRowCount(static_cast<int>(items.size()));
    for (int r = 0; r < static_cast<int>(items.size()); ++r)
        for (int c = 0; c < kLineColumns; ++c)
            LV_Detail->setItem(r, c, new QTableWidgetItem(items[static_cast<size_t>(r)].value(c)));
}

void TMainFrm::lv_FpxcDblClick()
{
    if (refuseDuringRun())
        return;
    if (m_model->rowCount() == 0)
        return;
    const QModelIndexList selected = lv_Fpxc->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    int row = selected.first().row();
    for (const QModelIndex& index : selected)
        row = std::min(row, index.row());

    editDocument(row, m_model->text(row, ColOrderId));
}

void TMainFrm::editDocument(int row, const QString& orderId)
{
    InvoiceBrowser browser(m_store, m_prompter, m_clock, m_settings.Station);
    TfrmEdt dialog(browser, *m_model, this);
    dialog.RowIndex = row;
    dialog.OrderId = orderId;
    try {
        dialog.Attempt = IssueJournal(m_store, m_clock, m_prompter, m_settings.Station).openAttempt(orderId);
    } catch (const Failure& failure) {
        ShowMessageBox(m_prompter, BoxOwner::MainWindow, failure.message(), MessageBoxKind::Error);
        return;
    }
    if (row >= 0) {
        dialog.InvoiceCode = m_model->text(row, ColInvCode);
        dialog.InvoiceNumber = m_model->text(row, ColInvNumber);
        dialog.StateText = m_model->text(row, ColState);
    } else {
        dialog.StateText = dialog.Attempt ? BrowserTexts::AwaitingCheck : QString();
    }
    dialog.exec();
}

void TMainFrm::BitBtn6Click()
{
    if (!m_journal) {
        m_journal = new TJournalFrm(m_store, m_prompter, m_clock, this);
        connect(m_journal, &TJournalFrm::settleRequested, this, [this](const IssueAttempt& attempt) {
            if (refuseDuringRun())
                return;
            int row = -1;
            for (int r = 0; r < m_model->rowCount() && row < 0; ++r)
                if (m_model->text(r, ColOrderId) == attempt.orderId)
                    row = r;
            editDocument(row, attempt.orderId);
        });
        // A run's progress shows in the journal as it happens.
        connect(m_batchRun, &BatchRunController::listChanged, m_journal, &TJournalFrm::refresh);
        connect(m_batchRun, &BatchRunController::runEnded, m_journal, &TJournalFrm::refresh);
    }
    m_journal->show();
    m_journal->raise();
    m_journal->activateWindow();
}

void TMainFrm::UpdateSelectionTotals()
{
    const InvoiceBrowser::Totals totals = InvoiceBrowser::selectionTotals(*m_model);
    if (!totals.ok) {
        // The labels keep what they showed.
        ShowMessageBox(m_prompter, BoxOwner::MainWindow, totals.failure, MessageBoxKind::Error);
        return;
    }
    fapje_lb->setText(totals.amountLabel);
    xuanzfpzs_lb->setText(totals.countLabel);
}

} // namespace corvina
