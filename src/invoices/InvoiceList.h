#pragma once

#include <QString>
#include <algorithm>
#include <array>
#include <vector>

namespace corvina {

// Columns of an invoice list row; column 0 is the check box and carries no text.
enum InvoiceColumn : int {
    ColNumber = 1,      // 序号
    ColInDate = 2,      // 导入日期  FInDate
    ColOrderId = 3,     // 销售单据号 FCustOrderId
    ColInvCode = 4,     // 发票代码  FInvCode
    ColInvNumber = 5,   // 发票号码  FInvNumber
    ColCustName = 6,    // 客户名称  FCustName
    ColNoTaxSum = 7,    // 总金额    FNoTaxSum
    ColCustPo = 8,      // 合同编号  FCustPo
    ColOutportNo = 9,   // 出口通知书 FCustOutportNo
    ColAcc = 10,        // 会计编号  FCustAcc
    ColSinature = 11,   // 开票人    FCustSinature
    ColContractNo = 12, // 发货通知书 FCustContractNo
    ColCX = 13,         // 出口序号  FCustCX
    ColVF = 14,         // 核销单号  FCustVF
    ColRemark = 15,     // 备注 (FMM1..FMM5 joined)
    ColState = 16,      // 状态 "已开票" / "未开票"
};
constexpr int kInvoiceTextColumns = 16;

// The working copy of one listed document: check state and the texts of columns 1 to 16.
struct InvoiceRow {
    bool checked = false;
    std::array<QString, kInvoiceTextColumns> texts;

    const QString& text(int column) const { return texts[static_cast<size_t>(column - 1)]; }
    QString& text(int column) { return texts[static_cast<size_t>(column - 1)]; }
};

// The invoice list as the operations see it. In the window it is the model behind lv_Fpxc; the
// batch thread reaches it only through an accessor that runs every call on the UI thread.
// Columns are numbered 1 to 16 as above.
class InvoiceList {
public:
    virtual ~InvoiceList() = default;
    virtual int rowCount() const = 0;
    virtual bool isChecked(int row) const = 0;
    virtual void setChecked(int row, bool checked) = 0;
    virtual QString text(int row, int column) const = 0;
    virtual void setText(int row, int column, const QString& text) = 0;
    virtual void replaceRows(std::vector<InvoiceRow> rows) = 0;

    // The first row from `from` on (below `end`) that is ticked and whose state text is `state`,
    // as the rows stand now; -1 when none. When found and `snapshot` is given, it receives the
    // row's check state and texts as they stand at that moment. One call, so a caller on another
    // thread reads a long stretch of rows, and the row it stops at, in one step.
    virtual int nextRowInState(int from, int end, const QString& state, InvoiceRow* snapshot = nullptr) const
    {
        const int last = std::min(end, rowCount());
        for (int row = from; row < last; ++row) {
            if (isChecked(row) && text(row, ColState) == state) {
                if (snapshot) {
                    snapshot->checked = true;
                    for (int column = ColNumber; column <= ColState; ++column)
                        snapshot->text(column) = text(row, column);
                }
                return row;
            }
        }
        return -1;
    }
};

// A list held in memory: the command-line front end and the tests use it.
class PlainInvoiceList : public InvoiceList {
public:
    int rowCount() const override { return static_cast<int>(m_rows.size()); }
    bool isChecked(int row) const override { return m_rows.at(static_cast<size_t>(row)).checked; }
    void setChecked(int row, bool checked) override { m_rows.at(static_cast<size_t>(row)).checked = checked; }
    QString text(int row, int column) const override { return m_rows.at(static_cast<size_t>(row)).text(column); }
    void setText(int row, int column, const QString& text) override
    {
        m_rows.at(static_cast<size_t>(row)).text(column) = text;
    }
    void replaceRows(std::vector<InvoiceRow> rows) override { m_rows = std::move(rows); }
    const std::vector<InvoiceRow>& rows() const { return m_rows; }

private:
    std::vector<InvoiceRow> m_rows;
};

} // namespace corvina
