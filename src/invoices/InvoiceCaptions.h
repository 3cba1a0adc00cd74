#pragma once

#include <QString>

namespace corvina {

// Caption, width and JSON key of the invoice list's columns 0 (check box) to 16.
QString invoiceCaption(int column);
int invoiceColumnWidth(int column);
QString invoiceJsonKey(int column);

// The line-item list: "序号", "品名及规格", "数量", "单价", "金额" and their stored columns.
constexpr int kLineColumns = 5;
QString lineCaption(int column);
int lineColumnWidth(int column);
QString lineField(int column); // FNo, FItem, FCount, FPrice, FSum

} // namespace corvina
