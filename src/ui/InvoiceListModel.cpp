#include "ui/InvoiceListModel.h"

#include "invoices/InvoiceCaptions.h"
#include "invoices/Texts.h"

#include <QColor>

namespace corvina {

InvoiceListModel::InvoiceListModel(QObject* parent) : QAbstractTableModel(parent)
{
}

int InvoiceListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rowCount();
}

int InvoiceListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kInvoiceTextColumns + 1;
}

QVariant InvoiceListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    const InvoiceRow& row = m_rows[static_cast<size_t>(index.row())];
    // A document whose issuing attempt waits to be settled stands out in the whole row.
    if (row.text(ColState) == BrowserTexts::AwaitingCheck) {
        if (role == Qt::BackgroundRole)
            return QColor(255, 236, 204);
        if (role == Qt::ForegroundRole)
            return QColor(160, 40, 0);
    }
    if (index.column() == 0)
        return role == Qt::CheckStateRole ? QVariant(row.checked ? Qt::Checked : Qt::Unchecked) : QVariant();
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return row.text(index.column());
    return QVariant();
}

bool InvoiceListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole)
        return false;
    setChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

QVariant InvoiceListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return invoiceCaption(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags InvoiceListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags; // the table's root is no cell: nothing to select or tick
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

bool InvoiceListModel::isChecked(int row) const
{
    return m_rows.at(static_cast<size_t>(row)).checked;
}

void InvoiceListModel::setChecked(int row, bool checked)
{
    InvoiceRow& r = m_rows.at(static_cast<size_t>(row));
    if (r.checked == checked)
        return;
    r.checked = checked;
    const QModelIndex i = index(row, 0);
    emit dataChanged(i, i, {Qt::CheckStateRole});
}

QString InvoiceListModel::text(int row, int column) const
{
    return m_rows.at(static_cast<size_t>(row)).text(column);
}

void InvoiceListModel::setText(int row, int column, const QString& text)
{
    m_rows.at(static_cast<size_t>(row)).text(column) = text;
    const QModelIndex i = index(row, column);
    emit dataChanged(i, i, {Qt::DisplayRole});
}

void InvoiceListModel::replaceRows(std::vector<InvoiceRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

} // namespace corvina
