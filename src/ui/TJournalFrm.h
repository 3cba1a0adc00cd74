#pragma once

#include <QDialog>

class QDateTimeEdit;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;

namespace corvina {

class Clock;
class JournalModel;
class LocalStore;
class Prompter;
struct IssueAttempt;

// The issuing journal in the window: every attempt begun in a time range (today by default) and
// every attempt still open, with station, times, code, number, outcome and who settled it and how;
// the codes and numbers several documents hold, if any. Refreshed every few seconds while shown
// and whenever a run changes the list. "核对" (or a double-click) asks the main window to settle
// the chosen attempt's document in the edit dialog.
class TJournalFrm : public QDialog {
    Q_OBJECT
public:
    static constexpr int RefreshMs = 3000;

    TJournalFrm(LocalStore& store, Prompter& prompter, Clock& clock, QWidget* owner = nullptr);

    JournalModel& model() { return *m_model; }

public slots:
    // Reads the journal again; a store that cannot be read says why in the window (no box: this
    // runs by itself every few seconds).
    void refresh();
    void settleSelected();

signals:
    void settleRequested(const IssueAttempt& attempt);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    LocalStore& m_store;
    Prompter& m_prompter;
    Clock& m_clock;
    JournalModel* m_model = nullptr;
    QTimer* m_timer = nullptr;

public:
    QDateTimeEdit* From = nullptr;
    QDateTimeEdit* To = nullptr;
    QPushButton* QueryButton = nullptr;
    QTableView* Attempts = nullptr;
    QLabel* Duplicates = nullptr;
    QLabel* Status = nullptr;
    QPushButton* SettleButton = nullptr;
    QPushButton* CloseButton = nullptr;
};

} // namespace corvina
