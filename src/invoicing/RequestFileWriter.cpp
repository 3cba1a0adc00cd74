#include "invoicing/RequestFileWriter.h"

#include "app/Clock.h"
#include "app/Failure.h"
#include "app/Gbk.h"
#include "app/NumberText.h"
#include "app/Paths.h"
#include "app/Prompter.h"
#include "invoicing/Texts.h"
#include "store/Rows.h"

#include <QFile>
#include <QSaveFile>

namespace corvina {

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");
const QString kDeclaration = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>");

bool isXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

QString element(const QString& name, const QString& value)
{
    return QLatin1Char('<') + name + QLatin1Char('>') + escapeRequestValue(value) + QStringLiteral("</") + name +
           QLatin1Char('>');
}

QString attribute(const QString& name, const QString& value)
{
    return QLatin1Char(' ') + name + QStringLiteral("=\"") + escapeRequestValue(value) + QLatin1Char('"');
}

// A stored amount read as a number: the empty text counts as 0, anything else must be a number.
double amountOf(const QString& stored)
{
    const QString text = trimControl(stored);
    if (text.isEmpty())
        return 0;
    double value = 0;
    if (!parseDecimal(text, &value))
        throw Failure(QStringLiteral("not a number: ") + text);
    return value;
}

} // namespace

QString ReplaceAmpersand(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('&'), QLatin1Char('-'));
    return out;
}

QString escapeRequestValue(const QString& value)
{
    bool plain = true;
    for (const QChar ch : value) {
        const char16_t u = ch.unicode();
        if (u == '&' || u == '<' || u == '>' || u == '"' || u < 0x20 || ch.isSurrogate() || u >= 0xFFFE) {
            plain = false;
            break;
        }
    }
    if (plain)
        return value;

    QString out;
    out.reserve(value.size() + 16);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar ch = value.at(i);
        char32_t c = ch.unicode();
        if (ch.isHighSurrogate() && i + 1 < value.size() && value.at(i + 1).isLowSurrogate()) {
            out += ch;
            out += value.at(++i);
            continue;
        }
        if (ch.isSurrogate())
            continue; // a lone half cannot be encoded
        switch (c) {
        case '&':
            out += QStringLiteral("&amp;");
            break;
        case '<':
            out += QStringLiteral("&lt;");
            break;
        case '>':
            out += QStringLiteral("&gt;");
            break;
        case '"':
            out += QStringLiteral("&quot;");
            break;
        case '\t':
            out += QStringLiteral("&#9;");
            break;
        case '\n':
            out += QStringLiteral("&#10;");
            break;
        case '\r':
            out += QStringLiteral("&#13;");
            break;
        default:
            if (isXmlChar(c))
                out += ch;
        }
    }
    return out;
}

// Writes one line at a time, each ended by CR LF, and reports any write failure as a Failure.
class RequestFileWriter::LineSink {
public:
    explicit LineSink(QIODevice& file) : m_file(file) {}
    void line(const QString& text)
    {
        const QByteArray bytes = text.toUtf8() + kLineEnd;
        if (m_file.write(bytes) != bytes.size())
            throw Failure(m_file.errorString());
    }

private:
    QIODevice& m_file;
};

RequestFileWriter::RequestFileWriter(const TIssuingData& data, const PrintOffsets& offsets, const Clock& clock,
                                     Prompter& prompter)
    : m_data(data), m_offsets(offsets), m_clock(clock), m_prompter(prompter)
{
}

bool RequestFileWriter::WriteRequestFile(const QString& path, const InvoiceRow& row, const Rows& lineItems)
{
    const bool control = path.right(5) == QLatin1String("e.xml");
    const bool ok = control ? writeControlFile(nativePath(path)) : writeRecordFile(nativePath(path), row, lineItems);
    if (!ok)
        ShowMessageBox(m_prompter, BoxOwner::Application, path + InvoicingTexts::UpdateFailed, MessageBoxKind::Error);
    return ok;
}

// Every run reads the print offsets back from the control file before it writes anything, so the
// file is replaced whole: written beside it and renamed over it. A run killed while writing, or a
// write that fails, leaves the previous file as it was; truncated in place, it would stop every
// later run with "装载XML文件失败!".
bool RequestFileWriter::writeControlFile(const QString& nativeFile) const
{
    QSaveFile file(nativeFile);
    file.setDirectWriteFallback(true); // a folder where only the file itself may be written
    try {
        if (!file.open(QIODevice::WriteOnly))
            return false;
        LineSink out(file);
        writeControl(out);
        // commit() does not see a failure of the buffer's last flush: flushed and checked here.
        return file.flush() && file.commit();
    } catch (const std::exception&) {
        return false; // the unfinished copy is discarded
    }
}

bool RequestFileWriter::writeRecordFile(const QString& nativeFile, const InvoiceRow& row, const Rows& lineItems) const
{
    QFile file(nativeFile);
    if (file.exists())
        file.remove(); // a failure shows when the file cannot be created below

    bool ok = false;
    try {
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw Failure(file.errorString());
        LineSink out(file);
        writeRecord(out, row, lineItems);
        ok = file.flush();
    } catch (const std::exception&) {
        ok = false;
    }
    if (file.isOpen()) {
        // Closing flushes what was written before a failure, so those lines stay in the file.
        file.close();
        if (file.error() != QFileDevice::NoError)
            ok = false;
    }
    return ok;
}

void RequestFileWriter::writeControl(LineSink& out) const
{
    out.line(kDeclaration);
    out.line(QStringLiteral("<kpkz>"));
    out.line(QStringLiteral("<kp") + attribute(QStringLiteral("zlid"), m_data.KPZLID) + QLatin1Char('>'));
    out.line(QStringLiteral("<invoice_info>"));
    out.line(element(QStringLiteral("fpdm"), m_data.FPDM));
    out.line(element(QStringLiteral("fphm"), m_data.DQKYH));
    out.line(QStringLiteral("<kpzt>1</kpzt>"));
    out.line(QStringLiteral("</invoice_info>"));
    out.line(QStringLiteral("<print_info>"));
    out.line(element(QStringLiteral("print_left"), m_offsets.PrintLeft));
    out.line(element(QStringLiteral("print_top"), m_offsets.PrintTop));
    out.line(QStringLiteral("<print_name>printer</print_name>"));
    out.line(QStringLiteral("</print_info>"));
    out.line(QStringLiteral("</kp>"));
    out.line(QStringLiteral("<printerName>printer</printerName>"));
    out.line(QStringLiteral("</kpkz>"));
}

void RequestFileWriter::writeRecord(LineSink& out, const InvoiceRow& row, const Rows& items) const
{
    const auto cell = [&row](int column) { return trimControl(row.text(column)); };
    const TIssuingData& d = m_data;
    out.line(kDeclaration);
    out.line(QStringLiteral("<SK_KPJL>"));
    out.line(element(QStringLiteral("HYFLDM"), d.HYFLDM));
    out.line(element(QStringLiteral("HY"), d.HYFLMC));
    out.line(element(QStringLiteral("KPZLID"), d.KPZLID));
    out.line(element(QStringLiteral("KPZLMC"), d.KPZLMC));
    out.line(element(QStringLiteral("FPDM"), d.FPDM));
    out.line(element(QStringLiteral("FPHM"), d.DQKYH));
    out.line(element(QStringLiteral("SKRMC"), d.NSRMC));
    out.line(element(QStringLiteral("SKRSH"), d.NSRSBM));
    out.line(element(QStringLiteral("FKRMC"), ReplaceAmpersand(cell(ColCustName))));
    const QString total = cell(ColNoTaxSum);
    out.line(element(QStringLiteral("JE"), total));
    out.line(QStringLiteral("<SKM></SKM>"));
    out.line(element(QStringLiteral("KPRXM"), cell(ColSinature)));
    out.line(element(QStringLiteral("KPRQ"), m_clock.now().toString(QStringLiteral("yyyyMMdd HH:mm:ss"))));
    out.line(QStringLiteral("<FPXE>1000000.00</FPXE>"));
    out.line(element(QStringLiteral("HTBH"), cell(ColCustPo)));
    out.line(QStringLiteral("<YFPDM></YFPDM>"));
    out.line(QStringLiteral("<YFPHM></YFPHM>"));
    out.line(QStringLiteral("<TWBPBZ>0</TWBPBZ>"));
    out.line(QStringLiteral("<KPLXID>0</KPLXID>"));
    out.line(element(QStringLiteral("FHTZSBH"), cell(ColContractNo)));
    out.line(element(QStringLiteral("CKTZSBH"), cell(ColOutportNo)));
    out.line(element(QStringLiteral("CKXH"), cell(ColCX)));
    out.line(element(QStringLiteral("KJBH"), cell(ColAcc)));
    out.line(element(QStringLiteral("HXDH"), cell(ColVF)));
    out.line(element(QStringLiteral("GSZCH"), d.GSZCH));
    out.line(element(QStringLiteral("KHYH_ZH"), d.KHYH_ZH));
    out.line(element(QStringLiteral("KHYH_EN"), d.KHYH_EN));
    out.line(element(QStringLiteral("SWIFTCODE"), d.SWIFTCODE));
    out.line(element(QStringLiteral("YHZH"), d.YHZH));
    out.line(element(QStringLiteral("ZCDZ_ZH"), d.ZCDZ_ZH));
    out.line(element(QStringLiteral("ZCDZ_EN"), d.ZCDZ_EN));
    out.line(element(QStringLiteral("TEL"), d.TEL));
    out.line(element(QStringLiteral("FAX"), d.FAX));

    // The import cuts remarks at the same 100-byte marks, so a double-byte character is never split.
    const QStringList pieces = cutGbkPieces(ReplaceAmpersand(cell(ColRemark)), 5, 100);
    for (int i = 0; i < 5; ++i)
        out.line(element(QStringLiteral("BZ%1").arg(i + 1), pieces.value(i)));

    double sum = 0;
    if (!parseDecimal(total, &sum))
        throw Failure(QStringLiteral("total is not a number: ") + total);
    out.line(QStringLiteral("<MX") + attribute(QStringLiteral("HJJE"), formatGrouped(sum)) +
             attribute(QStringLiteral("RecNum"), QString::number(items.count())) + QLatin1Char('>'));
    for (int i = 0; i < items.count(); ++i) {
        // Every line counts, so a line without a name leaves a gap in the numbering.
        const int position = i + 1;
        const QString name = items.value(i, QStringLiteral("FItem"));
        const QString count = items.value(i, QStringLiteral("FCount"));
        const double price = amountOf(items.value(i, QStringLiteral("FPrice")));
        const double amount = amountOf(items.value(i, QStringLiteral("FSum")));
        if (name.isEmpty())
            continue;
        out.line(QStringLiteral("<Row") + attribute(QStringLiteral("BZ"), QString()) +
                 attribute(QStringLiteral("JE"), formatGrouped(amount)) +
                 attribute(QStringLiteral("DJ"), formatGrouped(price)) + attribute(QStringLiteral("SL"), count) +
                 attribute(QStringLiteral("JLDW"), QString()) +
                 attribute(QStringLiteral("HPMC"), ReplaceAmpersand(name)) +
                 attribute(QStringLiteral("XH"), QString::number(position)) + QStringLiteral("/>"));
    }
    out.line(QStringLiteral("</MX>"));
    out.line(QStringLiteral("</SK_KPJL>"));
}

} // namespace corvina
