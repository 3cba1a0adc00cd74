#include "app/Failure.h"
#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "spreadsheet/Workbook.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace corvina::cli {

namespace {

// One cell a line: control characters are written as escapes so a text never breaks the line.
QString escaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out;
}

} // namespace

int runCellsCommand(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints every non-empty cell of a worksheet as the import reads it: reference, type "
                       "(n number, s text, b boolean, e error, d date) and text, untrimmed."));
    addCommonOptions(parser, false);
    parser.addPositionalArgument(QStringLiteral("WORKBOOK"),
                                 QStringLiteral("The workbook: .xlsx, .xls, .ods, .xml, .csv or .txt."));
    parser.addOption({QStringLiteral("sheet"), QStringLiteral("The worksheet, any letter case (default sheet1)."),
                      QStringLiteral("NAME"), QStringLiteral("sheet1")});
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print a JSON array of objects with ref, t and text.")});
    if (auto status = parseArguments(parser, args, 1, 1))
        return *status;

    const bool json = parser.isSet(QStringLiteral("json"));
    // Written as the cells come, a block at a time: a sheet of a million rows never sits in memory.
    QString out;
    auto flush = [&out](bool always) {
        if (always || out.size() > 64 * 1024) {
            printOut(out);
            out.clear();
        }
    };
    bool first = true;
    QString notice;
    try {
        const auto book = Workbook::open(parser.positionalArguments().at(0));
        const auto rows = book->rows(parser.value(QStringLiteral("sheet")));
        SheetRow row;
        while (rows->next(row)) {
            for (const SheetRow::Cell& c : row.cells) {
                const CellValue& v = c.value;
                if (v.isEmpty())
                    continue;
                const QString ref = cellReference(row.number, c.column);
                if (json) {
                    const QJsonObject o{{QStringLiteral("ref"), ref},
                                        {QStringLiteral("t"), cellTypeCode(v.type)},
                                        {QStringLiteral("text"), v.text}};
                    out += (first ? QStringLiteral("[\n  ") : QStringLiteral(",\n  ")) +
                           QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
                } else {
                    out += ref + QLatin1Char('\t') + cellTypeCode(v.type) + QLatin1Char('\t') + escaped(v.text) +
                           QLatin1Char('\n');
                }
                first = false;
                flush(false);
            }
        }
        notice = rows->cutShort();
    } catch (const Failure& failure) {
        // What was printed stays printed; the reason ends the output.
        if (!first)
            flush(true);
        printErr(failure.message() + QLatin1Char('\n'));
        return kFailed;
    }
    if (json)
        out += first ? QStringLiteral("[]\n") : QStringLiteral("\n]\n");
    flush(true);
    if (!notice.isEmpty())
        printErr(notice + QLatin1Char('\n'));
    return kDone;
}

} // namespace corvina::cli
