#include "ui/JournalModel.h"

#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

using namespace corvina;

namespace {

QStringList g_warnings;

void collectWarnings(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        g_warnings << text;
}

IssueAttempt attempt(qint64 id, const char* doc, bool open, bool live, const char* settled = "")
{
    IssueAttempt a;
    a.id = id;
    a.orderId = QString::fromLatin1(doc);
    a.code = QStringLiteral("3100071140");
    a.number = QStringLiteral("0000000%1").arg(id);
    a.startedAt = QStringLiteral("2024-03-05 10:00:00");
    a.outcome = open ? IssueJournal::Pending : IssueJournal::Issued;
    a.closedAt = open ? QString() : QStringLiteral("2024-03-05 10:00:05");
    a.settledState = QString::fromLatin1(settled);
    a.settledCode = a.code;
    a.settledNumber = QStringLiteral("00000009");
    a.station = QStringLiteral("甲");
    a.leaseLive = live;
    return a;
}

} // namespace

// The model holds up under Qt's model checker through refreshes, and shows each attempt's state.
TEST(JournalModel, RefreshesKeepTheModelConsistent)
{
    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectWarnings);
    {
        JournalModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
        model.setAttempts({attempt(1, "A", false, false), attempt(2, "B", true, false), attempt(3, "C", true, true),
                           attempt(4, "D", false, false, "1")});
        ASSERT_EQ(model.rowCount(), 4);
        ASSERT_EQ(model.columnCount(), 9);
        const auto text = [&](int r, int c) { return model.data(model.index(r, c), Qt::DisplayRole).toString(); };
        EXPECT_EQ(text(0, 6), QStringLiteral("—"));
        EXPECT_EQ(text(1, 6), QStringLiteral("待核对"));
        EXPECT_EQ(text(2, 6), QStringLiteral("开票中"));
        EXPECT_EQ(text(3, 6), QStringLiteral("已核对：已开票 3100071140 00000009（另填号码）"));
        // Waiting and running attempts look different from each other and from closed ones.
        const auto background = [&](int r) { return model.data(model.index(r, 0), Qt::BackgroundRole); };
        EXPECT_FALSE(background(0).isValid());
        EXPECT_TRUE(background(1).isValid());
        EXPECT_TRUE(background(2).isValid());
        EXPECT_NE(background(1), background(2));
        EXPECT_EQ(model.rowOf(3), 2);
        EXPECT_EQ(model.rowOf(99), -1);
        model.setAttempts({attempt(3, "C", true, true)});
        EXPECT_EQ(model.rowOf(3), 0);
        model.setAttempts({});
        EXPECT_EQ(model.rowCount(), 0);
        EXPECT_FALSE(model.data(model.index(0, 0), Qt::DisplayRole).isValid());
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(g_warnings.isEmpty()) << g_warnings.join(QLatin1Char('\n')).toStdString();
}
