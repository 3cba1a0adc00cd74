#include "invoices/InvoiceCaptions.h"

#include "invoices/Texts.h"

namespace corvina {

namespace {

struct ColumnInfo {
    const QString* caption; // a pointer: the table needs no start-up order with the texts
    int width;
    const char* jsonKey;
};

const ColumnInfo kColumns[] = {
    {&BrowserTexts::ColumnSelect, 40, ""},
    {&BrowserTexts::ColumnNo, 50, "No"},
    {&BrowserTexts::ColumnImportDate, 120, "FInDate"},
    {&BrowserTexts::ColumnOrderId, 90, "FCustOrderId"},
    {&BrowserTexts::ColumnCode, 80, "FInvCode"},
    {&BrowserTexts::ColumnNumber, 80, "FInvNumber"},
    {&BrowserTexts::ColumnCustomer, 120, "FCustName"},
    {&BrowserTexts::ColumnAmount, 80, "FNoTaxSum"},
    {&BrowserTexts::ColumnContract, 100, "FCustPo"},
    {&BrowserTexts::ColumnExportNotice, 100, "FCustOutportNo"},
    {&BrowserTexts::ColumnAccount, 80, "FCustAcc"},
    {&BrowserTexts::ColumnIssuer, 100, "FCustSinature"},
    {&BrowserTexts::ColumnDeliveryNotice, 100, "FCustContractNo"},
    {&BrowserTexts::ColumnExportNo, 100, "FCustCX"},
    {&BrowserTexts::ColumnVerification, 100, "FCustVF"},
    {&BrowserTexts::ColumnRemark, 100, "Remark"},
    {&BrowserTexts::ColumnState, 70, "State"},
};

const ColumnInfo kLineColumnsInfo[] = {
    {&BrowserTexts::ColumnNo, 40, "FNo"},           {&BrowserTexts::LineColumnItem, 90, "FItem"},
    {&BrowserTexts::LineColumnCount, 40, "FCount"}, {&BrowserTexts::LineColumnPrice, 80, "FPrice"},
    {&BrowserTexts::LineColumnSum, 120, "FSum"},
};

} // namespace

QString invoiceCaption(int column)
{
    return column >= 0 && column <= 16 ? *kColumns[column].caption : QString();
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
    return column >= 0 && column < kLineColumns ? *kLineColumnsInfo[column].caption : QString();
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
