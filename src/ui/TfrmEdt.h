#pragma once

#include "store/IssueJournal.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace corvina {

class InvoiceBrowser;
class InvoiceList;

// The edit dialog: invoice code, invoice number and state of one listed document, changed by hand.
class TfrmEdt : public QDialog {
    Q_OBJECT
public:
    TfrmEdt(InvoiceBrowser& browser, InvoiceList& list, QWidget* owner = nullptr);

    // Filled by the main window before the dialog is shown.
    QString OrderId;
    QString InvoiceCode;
    QString InvoiceNumber;
    QString StateText;
    int RowIndex = -1;
    // The document's open issuing attempt, when settling it: shown, and its code and number filled in.
    std::optional<IssueAttempt> Attempt;

public slots:
    void FormShow();
    void BitBtn1Click(); // 确定
    void BitBtn2Click(); // 取消

protected:
    void showEvent(QShowEvent* event) override;

private:
    InvoiceBrowser& m_browser;
    InvoiceList& m_list;

public:
    QLabel* Label4 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLabel* Label9 = nullptr;
    QComboBox* wwDBComboBox1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QLabel* AttemptLabel = nullptr; // under the buttons, only while settling
};

} // namespace corvina
