#pragma once

#include <QList>
#include <QString>

namespace corvina {

// One row of a sales document: the texts of columns K, L and M.
struct ImportedLine {
    QString FItem;
    QString FCount;
    QString FPrice;
};

// One sales document as the import reads it from the workbook.
struct ImportedDocument {
    QString FCustOrderId;
    QString FCustName;
    QString FCustPo;
    QString FCustOutportNo;
    QString FCustAcc;
    QString FCustSinature;
    QString FCustContractNo;
    QString FCustCX;
    QString FCustVF;
    QString Remark;
    double AmountSum = 0;
    QList<ImportedLine> Lines;
    // Workbook row of each line, for the clerk's messages (not stored).
    QList<int> lineRows;
};

enum class StoreOutcome { Stored, AlreadyPresent };

} // namespace corvina
