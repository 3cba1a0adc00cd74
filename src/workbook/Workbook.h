#pragma once

#include "workbook/Worksheet.h"

#include <QString>
#include <QStringList>
#include <map>
#include <memory>

namespace corvina {

// An open workbook: its worksheets by name, each read on first use. The reader is chosen by
// the file's content (a zip package or a compound binary file), not by its extension. Every
// failure throws corvina::Failure with a reason the clerk can act on.
class Workbook {
public:
    virtual ~Workbook();

    static std::unique_ptr<Workbook> open(const QString& path);

    // The worksheets, in workbook order (chart sheets are not worksheets).
    virtual QStringList sheetNames() const = 0;
    // Position of a worksheet found by name without regard to case; -1 when absent.
    int findSheet(const QString& name) const;
    // The worksheet of that name (any case); throws Failure when there is none.
    const Worksheet& worksheet(const QString& name);

    const QString& path() const { return m_path; }

protected:
    explicit Workbook(QString path) : m_path(std::move(path)) {}
    virtual std::unique_ptr<Worksheet> loadSheet(int index) = 0;

private:
    QString m_path;
    std::map<int, std::unique_ptr<Worksheet>> m_loaded;
};

} // namespace corvina
