#include "invoices/InvoiceCaptions.h"

#include <gtest/gtest.h>

using namespace corvina;

// The captions the clerk reads over the two lists, with the keys the JSON output names them by: a
// caption moved to the wrong column or a wrong word shows in one row here.
TEST(InvoiceCaptions, EveryColumnHasItsCaptionAndKey)
{
    const struct {
        int column;
        const char* caption;
        const char* key;
    } invoice[] = {
        {0, "选择", ""},
        {1, "序号", "No"},
        {2, "导入日期", "FInDate"},
        {3, "销售单据号", "FCustOrderId"},
        {4, "发票代码", "FInvCode"},
        {5, "发票号码", "FInvNumber"},
        {6, "客户名称", "FCustName"},
        {7, "总金额", "FNoTaxSum"},
        {8, "合同编号", "FCustPo"},
        {9, "出口通知书", "FCustOutportNo"},
        {10, "会计编号", "FCustAcc"},
        {11, "开票人", "FCustSinature"},
        {12, "发货通知书", "FCustContractNo"},
        {13, "出口序号", "FCustCX"},
        {14, "核销单号", "FCustVF"},
        {15, "备注", "Remark"},
        {16, "状态", "State"},
    };
    for (const auto& c : invoice) {
        EXPECT_EQ(invoiceCaption(c.column), QString::fromUtf8(c.caption)) << c.column;
        EXPECT_EQ(invoiceJsonKey(c.column), QLatin1String(c.key)) << c.column;
    }
    const struct {
        int column;
        const char* caption;
        const char* field;
    } lines[] = {
        {0, "序号", "FNo"},    {1, "品名及规格", "FItem"}, {2, "数量", "FCount"},
        {3, "单价", "FPrice"}, {4, "金额", "FSum"},
    };
    for (const auto& c : lines) {
        EXPECT_EQ(lineCaption(c.column), QString::fromUtf8(c.caption)) << c.column;
        EXPECT_EQ(lineField(c.column), QLatin1String(c.field)) << c.column;
    }
    // Outside the lists there is nothing to show.
    for (int column : {-1, 17})
        EXPECT_TRUE(invoiceCaption(column).isEmpty()) << column;
    for (int column : {-1, kLineColumns})
        EXPECT_TRUE(lineCaption(column).isEmpty()) << column;
}
