#pragma once

#include "invoices/InvoiceList.h"

#include <QObject>
#include <QPointer>

namespace corvina {

// The batch thread's way to the window's invoice list: every read and write runs on the UI thread
// (the thread of `context`) and the batch thread waits for it, so the two never touch the list at
// the same time and each step is complete before the run goes on.
class UiThreadInvoiceList : public InvoiceList {
public:
    UiThreadInvoiceList(InvoiceList& target, QObject* context);

    int rowCount() const override;
    bool isChecked(int row) const override;
    void setChecked(int row, bool checked) override;
    QString text(int row, int column) const override;
    void setText(int row, int column, const QString& text) override;
    void replaceRows(std::vector<InvoiceRow> rows) override;
    int nextRowInState(int from, int end, const QString& state, InvoiceRow* snapshot = nullptr) const override;

private:
    template <typename F> void onUiThread(F&& f) const;
    InvoiceList& m_target;
    QPointer<QObject> m_context;
};

} // namespace corvina
