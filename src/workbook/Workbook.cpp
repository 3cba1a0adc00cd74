#include "workbook/Workbook.h"

#include "app/Failure.h"
#include "workbook/FormatError.h"
#include "workbook/Texts.h"
#include "workbook/XlsWorkbook.h"
#include "workbook/XlsxWorkbook.h"

#include <QFile>
#include <QFileInfo>
#include <new>

namespace corvina {

namespace {

enum class Kind { Zip, Compound, Other };

Kind sniff(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(WorkbookTexts::CannotOpenFile.arg(path, file.errorString()));
    const QByteArray head = file.read(8);
    if (head.startsWith(QByteArrayLiteral("PK\x03\x04")) || head.startsWith(QByteArrayLiteral("PK\x05\x06")))
        return Kind::Zip;
    if (head == QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return Kind::Compound;
    return Kind::Other;
}

template <typename F> auto guarded(const QString& path, F&& f) -> decltype(f())
{
    try {
        return f();
    } catch (const FormatError& e) {
        throw Failure(WorkbookTexts::Corrupt.arg(QFileInfo(path).fileName(), e.detail()));
    } catch (const std::bad_alloc&) {
        throw Failure(WorkbookTexts::Corrupt.arg(QFileInfo(path).fileName(), QStringLiteral("内存不足")));
    }
}

} // namespace

Workbook::~Workbook() = default;

std::unique_ptr<Workbook> Workbook::open(const QString& path)
{
    const Kind kind = sniff(path);
    return guarded(path, [&]() -> std::unique_ptr<Workbook> {
        switch (kind) {
        case Kind::Zip:
            return std::make_unique<XlsxWorkbook>(path);
        case Kind::Compound:
            return std::make_unique<XlsWorkbook>(path);
        case Kind::Other:
            break;
        }
        throw Failure(WorkbookTexts::NotAWorkbook.arg(QFileInfo(path).fileName()));
    });
}

int Workbook::findSheet(const QString& name) const
{
    const QStringList names = sheetNames();
    for (int i = 0; i < names.size(); ++i)
        if (names.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

const Worksheet& Workbook::worksheet(const QString& name)
{
    const int index = findSheet(name);
    if (index < 0)
        throw Failure(WorkbookTexts::SheetMissing.arg(name, sheetNames().join(QStringLiteral("、"))));
    auto it = m_loaded.find(index);
    if (it == m_loaded.end()) {
        std::unique_ptr<Worksheet> sheet = guarded(m_path, [&] { return loadSheet(index); });
        it = m_loaded.emplace(index, std::move(sheet)).first;
    }
    return *it->second;
}

} // namespace corvina
