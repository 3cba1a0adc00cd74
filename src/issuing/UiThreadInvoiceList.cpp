#include "issuing/UiThreadInvoiceList.h"

#include <QThread>

namespace corvina {

UiThreadInvoiceList::UiThreadInvoiceList(InvoiceList& target, QObject* context) : m_target(target), m_context(context)
{
}

template <typename F> void UiThreadInvoiceList::onUiThread(F&& f) const
{
    if (!m_context || QThread::currentThread() == m_context->thread())
        f();
    else
        QMetaObject::invokeMethod(m_context, std::forward<F>(f), Qt::BlockingQueuedConnection);
}

int UiThreadInvoiceList::rowCount() const
{
    int n = 0;
    onUiThread([&] { n = m_target.rowCount(); });
    return n;
}

bool UiThreadInvoiceList::isChecked(int row) const
{
    bool checked = false;
    onUiThread([&] { checked = row < m_target.rowCount() && m_target.isChecked(row); });
    return checked;
}

void UiThreadInvoiceList::setChecked(int row, bool checked)
{
    onUiThread([&] {
        if (row < m_target.rowCount())
            m_target.setChecked(row, checked);
    });
}

QString UiThreadInvoiceList::text(int row, int column) const
{
    QString t;
    onUiThread([&] {
        if (row < m_target.rowCount())
            t = m_target.text(row, column);
    });
    return t;
}

void UiThreadInvoiceList::setText(int row, int column, const QString& text)
{
    onUiThread([&] {
        if (row < m_target.rowCount())
            m_target.setText(row, column, text);
    });
}

int UiThreadInvoiceList::nextRowInState(int from, int end, const QString& state, InvoiceRow* snapshot) const
{
    int row = -1;
    onUiThread([&] { row = m_target.nextRowInState(from, end, state, snapshot); });
    return row;
}

void UiThreadInvoiceList::replaceRows(std::vector<InvoiceRow> rows)
{
    onUiThread([&] { m_target.replaceRows(std::move(rows)); });
}

} // namespace corvina
