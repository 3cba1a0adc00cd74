#pragma once

#include <QString>

namespace corvina {

// The invoicing program's data that a request needs, as its database gives it (texts, untrimmed).
// The company part is read once per program run (again only while NSRSBM is shorter than 8
// characters); the book part is read for every invoice.
struct TIssuingData {
    // Company part.
    QString NSRSBM;
    QString NSRMC;
    QString HYFLMC;
    QString HYFLDM;
    QString KPZLMC;
    QString GSZCH;
    QString KHYH_ZH;
    QString KHYH_EN;
    QString SWIFTCODE;
    QString YHZH;
    QString ZCDZ_ZH;
    QString ZCDZ_EN;
    QString TEL;
    QString FAX;
    // Book part. KPZLID briefly holds the company record's kind while KPZLMC is looked up.
    QString KPZLID;
    QString FPDM;
    QString DQKYH;

    // A tax number of 8 or more characters means the company part has been read.
    bool companyRead() const { return NSRSBM.size() >= 8; }
    // A next number of 3 characters or fewer means the enabled book has no number left.
    bool bookUsedUp() const { return DQKYH.size() <= 3; }
};

// The print offsets read back from the control file at the start of a run, written unchanged into
// every control file of that run.
struct PrintOffsets {
    QString PrintLeft;
    QString PrintTop;
};

} // namespace corvina
