#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringView>

namespace corvina {

// Text in one Windows code page (936 for GBK, a workbook's own). Qt's converter where Qt has one
// (ICU on Linux); the system's tables where it has none (Qt for Windows is built without ICU, so
// only UTF and Latin-1 are Qt's there). Each call stands alone: no state is carried between calls.
// One object belongs to one thread.
class CodePage {
public:
    explicit CodePage(int number);

    int number() const { return m_number; }
    // Qt or the system knows the code page; an unknown one reads and writes Latin-1.
    bool isValid() const { return m_decoder.isValid() || m_system; }

    QString decode(QByteArrayView bytes) const;
    QByteArray encode(QStringView text) const;

private:
    int m_number;
    mutable QStringDecoder m_decoder;
    mutable QStringEncoder m_encoder;
    bool m_system = false;
};

} // namespace corvina
