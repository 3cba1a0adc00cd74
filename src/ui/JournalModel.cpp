#include "ui/JournalModel.h"

#include "invoices/JournalListing.h"
#include "invoices/Texts.h"

#include <QColor>

namespace corvina {

JournalModel::JournalModel(QObject* parent) : QAbstractTableModel(parent)
{
}

int JournalModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_attempts.size());
}

int JournalModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(BrowserTexts::JournalCaptions.size());
}

QVariant JournalModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return QVariant();
    const IssueAttempt& a = m_attempts[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return m_texts[static_cast<size_t>(index.row())].value(index.column());
    case Qt::BackgroundRole:
        if (a.isOpen())
            return a.leaseLive ? QColor(220, 235, 255) : QColor(255, 236, 204);
        return QVariant();
    case Qt::ForegroundRole:
        if (a.isOpen() && !a.leaseLive)
            return QColor(160, 40, 0);
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return BrowserTexts::JournalCaptions.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void JournalModel::setAttempts(std::vector<IssueAttempt> attempts)
{
    beginResetModel();
    m_attempts = std::move(attempts);
    m_texts.clear();
    m_texts.reserve(m_attempts.size());
    for (const IssueAttempt& a : m_attempts)
        m_texts.push_back(journalRowTexts(a));
    endResetModel();
}

int JournalModel::rowOf(qint64 attemptId) const
{
    for (size_t r = 0; r < m_attempts.size(); ++r)
        if (m_attempts[r].id == attemptId)
            return static_cast<int>(r);
    return -1;
}

} // namespace corvina
