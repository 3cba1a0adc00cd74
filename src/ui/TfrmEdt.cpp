#include "ui/TfrmEdt.h"

#include "invoices/InvoiceBrowser.h"
#include "invoices/InvoiceQuery.h"
#include "invoices/Texts.h"
#include "ui/Place.h"
#include "ui/UiFonts.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

namespace corvina {

namespace {

constexpr int kBoxLimit = 20;

QFont boxFont()
{
    QFont font = listFont(); // 宋体 where it exists
    font.setPointSize(10);
    return font;
}

} // namespace

TfrmEdt::TfrmEdt(InvoiceBrowser& browser, InvoiceList& list, QWidget* owner)
    : QDialog(owner), m_browser(browser), m_list(list)
{
    setWindowTitle(BrowserTexts::EditCaption);
    setFont(windowFont());
    setGeometry(466, 301, 254, 190);

    Label4 = place(new QLabel(BrowserTexts::EditCodeLabel, this), 16, 20);
    Edit1 = new QLineEdit(this);
    Edit1->setMaxLength(kBoxLimit);
    Edit1->setFont(boxFont());
    place(Edit1, 74, 16, 143);
    Label8 = place(new QLabel(BrowserTexts::EditNumberLabel, this), 16, 52);
    Edit2 = new QLineEdit(this);
    Edit2->setMaxLength(kBoxLimit);
    Edit2->setFont(boxFont());
    place(Edit2, 74, 48, 143);
    Label9 = place(new QLabel(BrowserTexts::EditStateLabel, this), 16, 83);
    wwDBComboBox1 = new QComboBox(this);
    wwDBComboBox1->setEditable(true);
    wwDBComboBox1->setInsertPolicy(QComboBox::NoInsert);
    wwDBComboBox1->setCompleter(nullptr); // the typed text stays as typed; the value maps it
    for (const auto& [shown, value] : editStateEntries())
        wwDBComboBox1->addItem(shown, value);
    place(wwDBComboBox1, 74, 80, 119);

    BitBtn1 = place(new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), BrowserTexts::EditOk, this), 30,
                    115, 97, 25);
    BitBtn2 =
        place(new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), BrowserTexts::EditCancel, this),
              134, 115, 89, 25);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &TfrmEdt::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TfrmEdt::BitBtn2Click);

    AttemptLabel = new QLabel(this);
    AttemptLabel->setWordWrap(true);
    AttemptLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    AttemptLabel->setGeometry(16, 150, 222, 96);
    AttemptLabel->hide();
}

void TfrmEdt::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

namespace {

// Fills a box without cutting the stored text: a code or number longer than the box's limit (kept
// by another program, or typed before the limit) shows whole and is stored whole again unless the
// clerk edits it.
void showWhole(QLineEdit* box, const QString& text)
{
    box->setMaxLength(std::max<int>(kBoxLimit, static_cast<int>(text.size())));
    box->setText(text);
}

} // namespace

void TfrmEdt::FormShow()
{
    // Settling: the attempt's own code and number, which the invoicing program shows for an
    // issued invoice; the state is the clerk's to choose.
    const bool settling = Attempt.has_value();
    showWhole(Edit1, settling && Attempt->hasNumbers() ? Attempt->code : InvoiceCode);
    showWhole(Edit2, settling && Attempt->hasNumbers() ? Attempt->number : InvoiceNumber);
    wwDBComboBox1->setEditText(StateText);
    AttemptLabel->setVisible(settling);
    if (settling)
        AttemptLabel->setText(BrowserTexts::EditAttempt.arg(
            Attempt->station, Attempt->startedAt, Attempt->hasNumbers() ? Attempt->code : QStringLiteral("—"),
            Attempt->hasNumbers() ? Attempt->number : QStringLiteral("—")));
    setFixedHeight(settling ? 190 + 66 : 190);
}

void TfrmEdt::BitBtn1Click()
{
    const InvoiceBrowser::Edit edit{RowIndex, OrderId, Edit1->text(), Edit2->text(), wwDBComboBox1->currentText()};
    // Refused or failed: the reason has been shown and the dialog stays open.
    if (m_browser.applyEdit(m_list, edit) != InvoiceBrowser::EditOutcome::Saved)
        return;
    InvoiceCode = edit.code.trimmed();
    InvoiceNumber = edit.number.trimmed();
    StateText = edit.state.trimmed();
    accept();
}

void TfrmEdt::BitBtn2Click()
{
    reject();
}

} // namespace corvina
