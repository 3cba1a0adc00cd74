#pragma once

#include "store/IssueJournal.h"

#include <QAbstractTableModel>
#include <vector>

namespace corvina {

// The issuing journal's attempts as the journal window lists them, one row each, in the columns
// of BrowserTexts::JournalCaptions. Attempts waiting to be settled stand out; those a run still
// holds differently.
class JournalModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit JournalModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void setAttempts(std::vector<IssueAttempt> attempts);
    const IssueAttempt& attempt(int row) const { return m_attempts[static_cast<size_t>(row)]; }
    // The row of an attempt, or -1.
    int rowOf(qint64 attemptId) const;

private:
    std::vector<IssueAttempt> m_attempts;
    std::vector<QStringList> m_texts;
};

} // namespace corvina
