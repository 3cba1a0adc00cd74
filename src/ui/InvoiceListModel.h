#pragma once

#include "invoices/InvoiceList.h"

#include <QAbstractTableModel>

namespace corvina {

// lv_Fpxc's rows: column 0 the check box, columns 1 to 16 the texts. Only the rows the view
// shows are asked for, so 100,000 rows stay fluent. Not editable by the clerk.
class InvoiceListModel : public QAbstractTableModel, public InvoiceList {
    Q_OBJECT
public:
    explicit InvoiceListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int rowCount() const override { return static_cast<int>(m_rows.size()); }
    bool isChecked(int row) const override;
    void setChecked(int row, bool checked) override;
    QString text(int row, int column) const override;
    void setText(int row, int column, const QString& text) override;
    void replaceRows(std::vector<InvoiceRow> rows) override;

private:
    std::vector<InvoiceRow> m_rows;
};

} // namespace corvina
