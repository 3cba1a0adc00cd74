#include "app/Failure.h"
#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "workbook/Workbook.h"

#include <QJsonArray>
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
    parser.addPositionalArgument(QStringLiteral("WORKBOOK"), QStringLiteral("The .xls or .xlsx file."));
    parser.addOption({QStringLiteral("sheet"), QStringLiteral("The worksheet, any letter case (default sheet1)."),
                      QStringLiteral("NAME"), QStringLiteral("sheet1")});
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print a JSON array of objects with ref, t and text.")});
    if (auto status = parseArguments(parser, args, 1, 1))
        return *status;

    QJsonArray array;
    QString out;
    const bool json = parser.isSet(QStringLiteral("json"));
    try {
        const auto book = Workbook::open(parser.positionalArguments().at(0));
        const Worksheet& sheet = book->worksheet(parser.value(QStringLiteral("sheet")));
        sheet.forEachCell([&](int row, int column, const CellValue& v) {
            if (v.isEmpty())
                return;
            const QString ref = cellReference(row, column);
            if (json)
                array.append(QJsonObject{{QStringLiteral("ref"), ref},
                                         {QStringLiteral("t"), cellTypeCode(v.type)},
                                         {QStringLiteral("text"), v.text}});
            else
                out += ref + QLatin1Char('\t') + cellTypeCode(v.type) + QLatin1Char('\t') + escaped(v.text) +
                       QLatin1Char('\n');
        });
    } catch (const Failure& failure) {
        printErr(failure.message() + QLatin1Char('\n'));
        return kFailed;
    }
    if (json)
        printOut(array.isEmpty() ? QStringLiteral("[]\n")
                                 : QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented)));
    else
        printOut(out);
    return kDone;
}

} // namespace corvina::cli
