#include "app/CodePage.h"

#include "platform/SystemCodePage.h"

namespace corvina {

namespace {

// Qt's (ICU's) names of the code pages that workbooks and the invoicing program's files use.
const char* qtName(int number)
{
    switch (number) {
    case 437:
        return "IBM437";
    case 850:
        return "IBM850";
    case 874:
        return "windows-874";
    case 932:
        return "Shift_JIS";
    case 936:
        return "GBK";
    case 949:
        return "windows-949";
    case 950:
        return "Big5";
    case 1200:
        return "UTF-16LE";
    case 1250:
        return "windows-1250";
    case 1251:
        return "windows-1251";
    case 1252:
        return "windows-1252";
    case 1253:
        return "windows-1253";
    case 1254:
        return "windows-1254";
    case 1255:
        return "windows-1255";
    case 1256:
        return "windows-1256";
    case 1257:
        return "windows-1257";
    case 1258:
        return "windows-1258";
    case 10000:
        return "macintosh";
    default:
        return nullptr;
    }
}

QStringDecoder qtDecoder(int number)
{
    const char* name = qtName(number);
    return name ? QStringDecoder(name, QStringConverter::Flag::Stateless) : QStringDecoder();
}

QStringEncoder qtEncoder(int number)
{
    const char* name = qtName(number);
    return name ? QStringEncoder(name, QStringConverter::Flag::Stateless) : QStringEncoder();
}

} // namespace

CodePage::CodePage(int number) : m_number(number), m_decoder(qtDecoder(number)), m_encoder(qtEncoder(number))
{
    if (!m_decoder.isValid() || !m_encoder.isValid()) {
        m_decoder = QStringDecoder();
        m_encoder = QStringEncoder();
        m_system = systemDecode(number, QByteArrayView()).has_value();
    }
}

QString CodePage::decode(QByteArrayView bytes) const
{
    if (m_decoder.isValid()) {
        m_decoder.resetState();
        return m_decoder.decode(bytes);
    }
    if (m_system) {
        if (std::optional<QString> text = systemDecode(m_number, bytes))
            return *text;
    }
    return QString::fromLatin1(bytes);
}

QByteArray CodePage::encode(QStringView text) const
{
    if (m_encoder.isValid()) {
        m_encoder.resetState();
        return m_encoder.encode(text);
    }
    if (m_system) {
        if (std::optional<QByteArray> bytes = systemEncode(m_number, text))
            return *bytes;
    }
    return text.toLatin1();
}

} // namespace corvina
