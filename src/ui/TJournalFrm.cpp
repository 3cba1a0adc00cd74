#include "ui/TJournalFrm.h"

#include "app/Clock.h"
#include "app/Failure.h"
#include "invoices/JournalListing.h"
#include "invoices/Texts.h"
#include "store/IssueJournal.h"
#include "ui/JournalModel.h"
#include "ui/Texts.h"
#include "ui/UiFonts.h"

#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace corvina {

namespace {

QDateTimeEdit* dateTimeBox(const QDateTime& value, QWidget* parent)
{
    auto* box = new QDateTimeEdit(value, parent);
    box->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
    box->setCalendarPopup(true);
    return box;
}

} // namespace

TJournalFrm::TJournalFrm(LocalStore& store, Prompter& prompter, Clock& clock, QWidget* owner)
    : QDialog(owner), m_store(store), m_prompter(prompter), m_clock(clock)
{
    setWindowTitle(UiTexts::JournalCaption);
    setFont(windowFont());
    resize(900, 420);

    const QDate today = m_clock.now().date();
    From = dateTimeBox(QDateTime(today, QTime(0, 0)), this);
    To = dateTimeBox(QDateTime(today, QTime(23, 59)), this);
    QueryButton = new QPushButton(UiTexts::Query, this);
    auto* range = new QHBoxLayout;
    range->addWidget(new QLabel(UiTexts::JournalRange, this));
    range->addWidget(From);
    range->addWidget(new QLabel(UiTexts::To, this));
    range->addWidget(To);
    range->addWidget(QueryButton);
    range->addWidget(new QLabel(UiTexts::JournalOpenAlways, this), 1);

    m_model = new JournalModel(this);
    Attempts = new QTableView(this);
    Attempts->setModel(m_model);
    Attempts->setFont(listFont());
    Attempts->setSelectionBehavior(QAbstractItemView::SelectRows);
    Attempts->setSelectionMode(QAbstractItemView::SingleSelection);
    Attempts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Attempts->verticalHeader()->hide();
    Attempts->horizontalHeader()->setStretchLastSection(true);

    Duplicates = new QLabel(this);
    Duplicates->setWordWrap(true);
    Duplicates->setStyleSheet(QStringLiteral("color: #a02800"));
    Duplicates->hide();
    Status = new QLabel(this);
    Status->setWordWrap(true);
    SettleButton = new QPushButton(UiTexts::JournalSettle, this);
    CloseButton = new QPushButton(UiTexts::JournalClose, this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Status, 1);
    buttons->addWidget(SettleButton);
    buttons->addWidget(CloseButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(range);
    layout->addWidget(Attempts, 1);
    layout->addWidget(Duplicates);
    layout->addLayout(buttons);

    m_timer = new QTimer(this);
    m_timer->setInterval(RefreshMs);
    connect(m_timer, &QTimer::timeout, this, &TJournalFrm::refresh);
    connect(QueryButton, &QPushButton::clicked, this, &TJournalFrm::refresh);
    connect(SettleButton, &QPushButton::clicked, this, &TJournalFrm::settleSelected);
    connect(Attempts, &QTableView::doubleClicked, this, &TJournalFrm::settleSelected);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::close);
}

void TJournalFrm::showEvent(QShowEvent* event)
{
    refresh();
    m_timer->start();
    QDialog::showEvent(event);
}

void TJournalFrm::hideEvent(QHideEvent* event)
{
    m_timer->stop();
    QDialog::hideEvent(event);
}

void TJournalFrm::refresh()
{
    const QString from = From->dateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")) + QStringLiteral(":00");
    const QString to = To->dateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")) + QStringLiteral(":59");
    std::vector<IssueAttempt> attempts;
    std::vector<QStringList> duplicates;
    try {
        IssueJournal journal(m_store, m_clock, m_prompter);
        attempts = journal.list(from, to);
        duplicates = journal.duplicateInvoices();
    } catch (const Failure& failure) {
        Status->setText(UiTexts::JournalUnreadable + failure.message());
        return;
    }
    // The chosen attempt stays chosen across the refresh.
    const QModelIndexList selected = Attempts->selectionModel()->selectedRows();
    const qint64 chosen = selected.isEmpty() ? 0 : m_model->attempt(selected.first().row()).id;
    int open = 0;
    for (const IssueAttempt& a : attempts)
        open += a.isOpen() ? 1 : 0;
    m_model->setAttempts(std::move(attempts));
    if (const int row = chosen ? m_model->rowOf(chosen) : -1; row >= 0)
        Attempts->selectRow(row);
    Attempts->resizeColumnsToContents();
    const QStringList lines = duplicateInvoiceTexts(duplicates);
    Duplicates->setText(lines.join(QLatin1Char('\n')));
    Duplicates->setVisible(!lines.isEmpty());
    Status->setText(UiTexts::JournalCounts.arg(m_model->rowCount()).arg(open));
}

void TJournalFrm::settleSelected()
{
    const QModelIndexList selected = Attempts->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    const IssueAttempt attempt = m_model->attempt(selected.first().row());
    if (!attempt.isOpen())
        return;
    emit settleRequested(attempt);
    refresh();
}

} // namespace corvina
