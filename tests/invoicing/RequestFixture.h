#pragma once

#include "app/Clock.h"
#include "doubles/RecordingPrompter.h"
#include "invoices/InvoiceList.h"
#include "invoicing/RequestFileWriter.h"
#include "invoicing/TIssuingData.h"
#include "store/LocalStore.h"
#include "store/Statements.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

namespace corvina::test {

// One line item of a document; a null QVariant stores SQL null.
struct Line {
    int no;
    QVariant item;
    QVariant count;
    QVariant price;
    QVariant sum;
};

inline void addLines(LocalStore& store, const QString& orderId, const std::vector<Line>& lines)
{
    for (const Line& l : lines) {
        store.run({Statements::insertLineText(),
                   {},
                   {{QStringLiteral(":FCustOrderId"), orderId},
                    {QStringLiteral(":FNo"), l.no},
                    {QStringLiteral(":FItem"), l.item},
                    {QStringLiteral(":FCount"), l.count},
                    {QStringLiteral(":FPrice"), l.price},
                    {QStringLiteral(":FSum"), l.sum}}});
    }
}

inline TIssuingData sampleIssuingData()
{
    TIssuingData d;
    d.HYFLDM = QStringLiteral("0200");
    d.HYFLMC = QStringLiteral("商业");
    d.KPZLID = QStringLiteral("1");
    d.KPZLMC = QStringLiteral("出口发票");
    d.FPDM = QStringLiteral("3100071140");
    d.DQKYH = QStringLiteral("00000123");
    d.NSRMC = QStringLiteral("上海澄江进出口贸易有限公司");
    d.NSRSBM = QStringLiteral("310115720345678");
    d.GSZCH = QStringLiteral("310000400123456");
    d.KHYH_ZH = QStringLiteral("中国银行上海市分行");
    d.KHYH_EN = QStringLiteral("Bank of China Shanghai Branch");
    d.SWIFTCODE = QStringLiteral("BKCHCNBJ300");
    d.YHZH = QStringLiteral("4563 5870 1234");
    d.ZCDZ_ZH = QStringLiteral("上海市浦东新区张杨路500号");
    d.ZCDZ_EN = QStringLiteral("500 Zhangyang Road, Pudong");
    d.TEL = QStringLiteral("021-58881234");
    d.FAX = QStringLiteral("021-58881235");
    return d;
}

// The list row of the sample document; cells carry blanks the writer must trim.
inline InvoiceRow sampleRow()
{
    InvoiceRow row;
    row.checked = true;
    row.text(ColNumber) = QStringLiteral("1");
    row.text(ColInDate) = QStringLiteral("2024-01-05 08:00");
    row.text(ColOrderId) = QStringLiteral(" XS-2024-001 ");
    row.text(ColCustName) = QStringLiteral("  A&B Trading Co. ");
    row.text(ColNoTaxSum) = QStringLiteral("1234567.5");
    row.text(ColCustPo) = QStringLiteral("HT-88");
    row.text(ColOutportNo) = QStringLiteral("CK-1");
    row.text(ColAcc) = QStringLiteral("KJ-7");
    row.text(ColSinature) = QStringLiteral("王芳\t");
    row.text(ColContractNo) = QStringLiteral("FH-3");
    row.text(ColCX) = QStringLiteral("12");
    row.text(ColVF) = QStringLiteral("HX-9");
    row.text(ColRemark) = QStringLiteral("备注&说明 ABC");
    row.text(ColState) = QStringLiteral("未开票");
    return row;
}

// The sample document's line items, stored out of order: the second has no name, the third a
// name of blanks and no numbers.
inline std::vector<Line> sampleLines()
{
    return {
        {4, QStringLiteral("阀门"), QStringLiteral("1000"), QStringLiteral("1234567.891"),
         QStringLiteral("1234567891.125")},
        {1, QStringLiteral("钢管 Φ20&30"), QStringLiteral("2.5"), QStringLiteral("0.125"), QStringLiteral("1234.5")},
        {3, QStringLiteral("   "), QVariant(), QVariant(), QVariant()},
        {2, QString(), QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("3")},
    };
}

// Everything a writer needs, in a temporary invoicing-program folder with a Config subfolder.
struct WriterRig {
    TempFolder folder;
    RecordingPrompter prompter;
    FakeClock clock{QDateTime(QDate(2024, 1, 5), QTime(9, 3, 7))};
    PlainInvoiceList list;
    TIssuingData data = sampleIssuingData();
    PrintOffsets offsets{QStringLiteral("10"), QStringLiteral("20")};
    LocalStore store{folder.file(QStringLiteral("SysData.mdb")), prompter};
    RequestFileWriter writer{data, offsets, clock, prompter};

    WriterRig()
    {
        QDir().mkpath(folder.file(QStringLiteral("Config")));
        list.replaceRows({sampleRow()});
    }
    // kaippath as the settings hold it: a Windows-style text.
    QString kaippath() const { return QDir::toNativeSeparators(folder.path()).chopped(1); }
    QString controlPath() const { return folder.file(QStringLiteral("Config/invoice.xml")); }
    QString recordPath() const { return folder.file(QStringLiteral("Config/invoicedata_6.xml")); }
    // Writes a file for the list's first row with the line items stored for its document, as the
    // preparation hands them over.
    bool write(const QString& path)
    {
        const InvoiceRow& row = list.rows().at(0);
        const Rows items = store.select(Statements::requestLineItems(row.text(ColOrderId).trimmed()));
        return writer.WriteRequestFile(path, row, items);
    }
    bool writeControl() { return write(kaippath() + QStringLiteral("\\Config\\invoice.xml")); }
    bool writeRecord() { return write(kaippath() + QStringLiteral("\\Config\\invoicedata_6.xml")); }
    QStringList recordLines() const { return QString::fromUtf8(fileBytes(recordPath())).split(QStringLiteral("\r\n")); }
};

} // namespace corvina::test
