#pragma once

#include "app/Settings.h"

#include <QMainWindow>
#include <memory>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QGroupBox;
class QLabel;
class QPushButton;
class QSplitter;
class QTableView;
class QTableWidget;

namespace corvina {

class AppSession;
class BatchRunController;
class Clock;
class IssuingDatabase;
class InvoiceListModel;
class LocalStore;
class StopKey;
class TJournalFrm;
class Prompter;

// The program's one permanent window: query conditions, action buttons and selection totals in
// the upper band, the invoice list lv_Fpxc and the line items LV_Detail below.
class TMainFrm : public QMainWindow {
    Q_OBJECT
public:
    // The window over the program `session` (which outlives it); `stopKey` is the platform's F10
    // when not given.
    explicit TMainFrm(AppSession& session, std::unique_ptr<StopKey> stopKey = nullptr, QWidget* parent = nullptr);
    ~TMainFrm() override;

    const AppSettings& settings() const { return m_settings; }
    LocalStore& localStore() { return m_store; }
    IssuingDatabase& issuingDatabase() { return m_issuing; }
    InvoiceListModel& invoiceList() { return *m_model; }
    QTableView* invoiceView() const { return lv_Fpxc; }

    // The query conditions as the statement uses them.
    QString stateValue() const;

    // The batch run behind BitBtn4: its thread, stop key, flag and state.
    BatchRunController& batchRun() { return *m_batchRun; }
    // The issuing journal's window, once BitBtn6 has opened it.
    TJournalFrm* journalWindow() const { return m_journal; }

public slots:
    void FormCreate();
    void BitBtn1Click(); // 查询
    void BitBtn2Click(); // 文件导入
    void BitBtn3Click(); // 删除发票
    void BitBtn4Click(); // 发票连开 / 停止
    void BitBtn5Click(); // 发票导出
    void BitBtn6Click(); // 开票记录
    void chkSelectClick();
    void lv_FpxcClick();
    void lv_FpxcDblClick();
    void UpdateSelectionTotals();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    // The edit dialog for a document (`row` its list row, or -1 when not listed), settling its
    // open issuing attempt when it has one.
    void editDocument(int row, const QString& orderId);
    // While a run works, actions that rebuild or rewrite the list are refused with a message.
    bool refuseDuringRun();
    void RegisterStopKey();
    void ReleaseStopKey();

    AppSession& m_session;
    Prompter& m_prompter;
    Clock& m_clock;
    const AppSettings& m_settings;
    LocalStore& m_store;
    IssuingDatabase& m_issuing;
    InvoiceListModel* m_model = nullptr;
    BatchRunController* m_batchRun = nullptr;
    TJournalFrm* m_journal = nullptr;

public:
    // Controls, named as the window's design names them.
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* wwDBComboBox1 = nullptr;
    QDateTimeEdit* wwDBDateTimePicker1 = nullptr;
    QDateTimeEdit* wwDBDateTimePicker2 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtn4 = nullptr;
    QPushButton* BitBtn5 = nullptr;
    QPushButton* BitBtn6 = nullptr;
    QCheckBox* chkSelect = nullptr;
    QLabel* xuanzfpzs_lb = nullptr;
    QLabel* fapje_lb = nullptr;
    QSplitter* Splitter1 = nullptr;
    QTableView* lv_Fpxc = nullptr;
    QTableWidget* LV_Detail = nullptr;
};

} // namespace corvina
