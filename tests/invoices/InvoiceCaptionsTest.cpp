#include "invoices/InvoiceCaptions.h"
#include "doubles/RecordingPrompter.h"
#include "invoices/InvoiceList.h"
#include "invoices/InvoiceQuery.h"
#include "store/LocalStore.h"
#include "support/BrowserSeed.h"
#include "support/TestSupport.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace corvina;
using namespace corvina::test;

// Each column of the list is named by the stored field whose value it shows, so that `query --json`
// and `lines --json` name every value by the field it came from; captions are each column's own.
// A caption or key moved to another column, or a query that fills a column from another field,
// shows here.
TEST(InvoiceCaptions, KeysNameTheStoredFieldEachColumnShows)
{
    TempFolder folder;
    RecordingPrompter prompter;
    LocalStore store(folder.file(QStringLiteral("SysData.mdb")), prompter);
    ASSERT_TRUE(store.open());
    seedDocument(store, {QStringLiteral("D1"), QStringLiteral("1234.56"), 3}); // every text field its own value
    store.run({QStringLiteral("update invoiceMaster set FInvCode='C-D1', FInvNumber='N-D1' where FCustOrderId='D1'"),
               {},
               {}});
    const std::vector<InvoiceRow> rows = runInvoiceQuery(store, QStringLiteral("0"), QDateTime(QDate(2024, 1, 1), {}),
                                                         QDateTime(QDate(2024, 12, 31), QTime(23, 59)));
    ASSERT_EQ(rows.size(), 1u);
    const Rows stored = storedHeader(store, QStringLiteral("D1"));
    ASSERT_EQ(stored.count(), 1);

    QSet<QString> captions;
    QSet<QString> keys;
    int fromStore = 0;
    for (int c = 0; c <= kInvoiceTextColumns; ++c) {
        SCOPED_TRACE(c);
        const QString caption = invoiceCaption(c);
        EXPECT_FALSE(caption.isEmpty());
        EXPECT_FALSE(captions.contains(caption));
        captions.insert(caption);
        const QString key = invoiceJsonKey(c);
        if (c == 0) { // the tick box has no value of its own
            EXPECT_TRUE(key.isEmpty());
            continue;
        }
        EXPECT_FALSE(key.isEmpty() || keys.contains(key));
        keys.insert(key);
        if (stored.columns().contains(key)) {
            EXPECT_EQ(rows[0].text(c), stored.value(0, key)) << key.toStdString();
            ++fromStore;
        }
    }
    // Every column but the row number, the remark (five fields joined) and the state shows one field.
    EXPECT_EQ(fromStore, kInvoiceTextColumns - 3);
    for (int column : {-1, kInvoiceTextColumns + 1})
        EXPECT_TRUE(invoiceCaption(column).isEmpty()) << column;

    const Rows lines =
        store.select({QStringLiteral("select * from invoiceDetail where FCustOrderId='D1' order by FNo"), {}, {}});
    ASSERT_EQ(lines.count(), 3);
    QSet<QString> lineCaptions;
    for (int c = 0; c < kLineColumns; ++c) {
        SCOPED_TRACE(c);
        EXPECT_TRUE(lines.columns().contains(lineField(c))) << lineField(c).toStdString();
        EXPECT_FALSE(lineCaption(c).isEmpty() || lineCaptions.contains(lineCaption(c)));
        lineCaptions.insert(lineCaption(c));
    }
    for (int column : {-1, kLineColumns})
        EXPECT_TRUE(lineCaption(column).isEmpty()) << column;
}
