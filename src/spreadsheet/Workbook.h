#pragma once

#include "spreadsheet/SheetRows.h"
#include "spreadsheet/Worksheet.h"

#include <QString>
#include <QStringList>
#include <map>
#include <memory>

namespace corvina {

// An open workbook: its worksheets by name, each read as a stream of rows. The reader is chosen
// by the file's content, not by its extension: a zip package (.xlsx, or an OpenDocument
// spreadsheet), a compound binary file or a bare binary workbook stream (.xls, Excel 2 to 2003),
// an XML spreadsheet, or delimited text (.csv, .txt). Every failure throws corvina::Failure with a reason the clerk can
// act on.
class Workbook {
public:
    virtual ~Workbook();

    static std::unique_ptr<Workbook> open(const QString& path);
    // The name of the one sheet of a file that names none (an Excel 2-4 worksheet, delimited
    // text): the one the import asks for.
    static QString unnamedSheet() { return QStringLiteral("Sheet1"); }

    // The worksheets, in workbook order (chart sheets are not worksheets).
    QStringList sheetNames();
    // Position of a worksheet found by name without regard to case; -1 when absent.
    int findSheet(const QString& name);

    // The rows of the worksheet of that name (any case), cells after `lastColumn` left out
    // (0: all). Throws Failure when there is no such sheet, or later, from the rows, when the
    // sheet turns out damaged.
    std::unique_ptr<SheetRows> rows(const QString& name, int lastColumn = 0);
    // The whole worksheet in memory (bounded); for small uses.
    const Worksheet& worksheet(const QString& name);

    const QString& path() const { return m_path; }

protected:
    explicit Workbook(QString path) : m_path(std::move(path)) {}
    virtual QStringList readSheetNames() = 0;
    virtual std::unique_ptr<SheetRows> openRows(int index, int lastColumn) = 0;
    // Readers whose sheets are only found by reading through the file look a sheet up while they
    // stream; the others go through sheetNames().
    virtual std::unique_ptr<SheetRows> openRowsByName(const QString& name, int lastColumn);
    [[noreturn]] void sheetMissing(const QString& name, const QStringList& names) const;

private:
    QString m_path;
    std::map<QString, std::unique_ptr<Worksheet>> m_loaded;
};

} // namespace corvina
