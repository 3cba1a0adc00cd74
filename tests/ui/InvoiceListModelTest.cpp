#include "ui/InvoiceListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <functional>
#include <gtest/gtest.h>

using namespace corvina;

namespace {

// The model checker's complaints, gathered instead of only printed.
QStringList g_complaints;

void collectComplaints(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type != QtDebugMsg && context.category && QByteArray(context.category).startsWith("qt.modeltest"))
        g_complaints << text;
}

std::vector<InvoiceRow> rowsOf(const QStringList& documents, bool checked)
{
    std::vector<InvoiceRow> rows;
    for (int i = 0; i < documents.size(); ++i) {
        InvoiceRow row;
        row.checked = checked;
        row.text(ColNumber) = QString::number(i + 1);
        row.text(ColOrderId) = documents.at(i);
        row.text(ColState) = QStringLiteral("未开票");
        rows.push_back(row);
    }
    return rows;
}

} // namespace

// Every change the window and the batch run make to the list, watched by Qt's model checker, which
// looks at the whole model after each signal (row counts, parents, indexes, data of every role).
TEST(InvoiceListModel, StaysConsistentThroughEveryChange)
{
    struct Step {
        const char* name;
        std::function<void(InvoiceListModel&)> change;
        int rows;
        int row;              // the row looked at afterwards (-1: none)
        bool checked;         // its check box
        QString orderId;      // its 销售单据号
        QString state;        // its 状态
        int dataChangedCount; // dataChanged signals sent by the step
    };
    const std::vector<Step> steps = {
        {"empty list", [](InvoiceListModel& m) { m.replaceRows({}); }, 0, -1, false, {}, {}, 0},
        {"query lists three",
         [](InvoiceListModel& m) {
             m.replaceRows(rowsOf({"XS1", "XS2", "XS3"}, true));
         },
         3, 2, true, "XS3", "未开票", 0},
        {"clerk unticks a row",
         [](InvoiceListModel& m) { m.setData(m.index(1, 0), Qt::Unchecked, Qt::CheckStateRole); }, 3, 1, false, "XS2",
         "未开票", 1},
        {"ticking a ticked row changes nothing", [](InvoiceListModel& m) { m.setChecked(0, true); }, 3, 0, true, "XS1",
         "未开票", 0},
        {"batch run records the invoice",
         [](InvoiceListModel& m) {
             m.setText(0, ColInvCode, QStringLiteral("3100071140"));
             m.setText(0, ColInvNumber, QStringLiteral("00000123"));
             m.setText(0, ColState, QStringLiteral("已开票"));
             m.setChecked(0, false);
         },
         3, 0, false, "XS1", "已开票", 4},
        {"text column refuses the check role",
         [](InvoiceListModel& m) { m.setData(m.index(2, 3), Qt::Checked, Qt::CheckStateRole); }, 3, 2, true, "XS3",
         "未开票", 0},
        {"query lists fewer", [](InvoiceListModel& m) { m.replaceRows(rowsOf({"XS9"}, false)); }, 1, 0, false, "XS9",
         "未开票", 0},
        {"query lists none", [](InvoiceListModel& m) { m.replaceRows({}); }, 0, -1, false, {}, {}, 0},
    };

    g_complaints.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectComplaints);
    {
        InvoiceListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        for (const Step& step : steps) {
            SCOPED_TRACE(step.name);
            changed.clear();
            step.change(model);
            EXPECT_EQ(model.rowCount(QModelIndex()), step.rows);
            EXPECT_EQ(changed.count(), step.dataChangedCount);
            if (step.row >= 0) {
                EXPECT_EQ(model.data(model.index(step.row, 0), Qt::CheckStateRole).toInt(),
                          step.checked ? Qt::Checked : Qt::Unchecked);
                EXPECT_EQ(model.data(model.index(step.row, ColOrderId), Qt::DisplayRole).toString(), step.orderId);
                EXPECT_EQ(model.data(model.index(step.row, ColState), Qt::DisplayRole).toString(), step.state);
            }
            EXPECT_EQ(g_complaints, QStringList());
            g_complaints.clear();
        }
    }
    qInstallMessageHandler(previous);
}
