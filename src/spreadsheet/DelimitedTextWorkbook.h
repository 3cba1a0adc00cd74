#pragma once

#include "spreadsheet/Workbook.h"

#include <QByteArray>

namespace corvina {

// Comma-, semicolon- or tab-separated text (.csv, .txt), as business systems export it and a
// spreadsheet program opens it: one sheet, "Sheet1"; every field a text cell, as the program shows
// it before any guessing. The encoding is told by the content: a byte-order mark (UTF-8 or
// UTF-16), else UTF-8 when the whole file is valid UTF-8, else GBK. The separator is the one of
// the three the header row holds most of. Fields in double quotes may hold quotes (doubled),
// separators and line breaks; a record spanning several lines is one row.
class DelimitedTextWorkbook : public Workbook {
public:
    enum class Encoding { Utf8, Gbk, Utf16Le, Utf16Be };

    explicit DelimitedTextWorkbook(const QString& path);

    // Whether the first bytes of a file are plain text that is not markup (an HTML page or other
    // XML saved under a workbook's name is no table of fields).
    static bool looksLikeOne(const QByteArray& head);

    Encoding encoding() const { return m_encoding; }
    char separator() const { return m_separator; }

protected:
    QStringList readSheetNames() override;
    std::unique_ptr<SheetRows> openRows(int index, int lastColumn) override;

private:
    Encoding m_encoding = Encoding::Utf8;
    qsizetype m_bomBytes = 0;
    char m_separator = ',';
};

} // namespace corvina
