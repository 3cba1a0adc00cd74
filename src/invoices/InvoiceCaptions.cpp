#include "invoices/InvoiceCaptions.h"

namespace corvina {

namespace {

struct ColumnInfo {
    const char* caption;
    int width;
    const char* jsonKey;
};

const ColumnInfo kColumns[] = {
    {"选择", 40, ""},
    {"序号", 50, "No"},
    {"导入日期", 120, "FInDate"},
    {"销售单据号", 90, "FCustOrderId"},
    {"发票代码", 80, "FInvCode"},
    {"发票号码", 80, "FInvNumber"},
    {"客户名称", 120, "FCustName"},
    {"总金额", 80, "FNoTaxSum"},
    {"合同编号", 100, "FCustPo"},
    {"出口通知书", 100, "FCustOutportNo"},
    {"会计编号", 80, "FCustAcc"},
    {"开票人", 100, "FCustSinature"},
    {"发货通知书", 100, "FCustContractNo"},
    {"出口序号", 100, "FCustCX"},
    {"核销单号", 100, "FCustVF"},
    {"备注", 100, "Remark"},
    {"状态", 70, "State"},
};

const ColumnInfo kLineColumnsInfo[] = {
    {"序号", 40, "FNo"},    {"品名及规格", 90, "FItem"}, {"数量", 40, "FCount"},
    {"单价", 80, "FPrice"}, {"金额", 120, "FSum"},
};

} // namespace

QString invoiceCaption(int column)
{
    return column >= 0 && column <= 16 ? QString::fromUtf8(kColumns[column].caption) : QString();
}

int invoiceColumnWidth(int column)
{
    return column >= 0 && column <= 16 ? kColumns[column].width : 0;
}

QString invoiceJsonKey(int column)
{
    return column >= 0 && column <= 16 ? QString::fromLatin1(kColumns[column].jsonKey) : QString();
}

QString lineCaption(int column)
{
    return column >= 0 && column < kLineColumns ? QString::fromUtf8(kLineColumnsInfo[column].caption) : QString();
}

int lineColumnWidth(int column)
{
    return column >= 0 && column < kLineColumns ? kLineColumnsInfo[column].width : 0;
}

QString lineField(int column)
{
    return column >= 0 && column < kLineColumns ? QString::fromLatin1(kLineColumnsInfo[column].jsonKey) : QString();
}

} // namespace corvina
