#include "StandinFolder.h"
#include "Texts.h"

#include "StandinDatabase.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace corvina::standin {

namespace {

QStringList schema()
{
    QString issued = QStringLiteral("create table issued (id integer primary key autoincrement");
    for (const QString& name : StandinDatabase::recordHeaderElements())
        issued += QStringLiteral(", ") + name + QStringLiteral(" text");
    issued += QStringLiteral(", HJJE text, RecNum text, recorded_at text not null, unique (FPDM, FPHM))");
    return {
        QStringLiteral("create table KPZH (NSRSBM text, NSRMC text, HYFLID integer, HYFLMC text, KPZLID integer, "
                       "GSZCH text, KHYH_ZH text, KHYH_EN text, SWIFTCODE text, YHZH text, ZCDZ_ZH text, "
                       "ZCDZ_EN text, TEL text, FAX text)"),
        QStringLiteral("create table DM_FPHYFL (HYFLID integer primary key, HYFLDM text, HYFLMC text)"),
        QStringLiteral("create table DM_KPZL (KPZLID integer primary key, KPZLMC text)"),
        QStringLiteral("create table FPB_TZ (ID integer primary key autoincrement, KPZLID integer, FPDM text, "
                       "QSHM text, ZZHM text, DQKYH text, ZTID integer)"),
        issued,
        QStringLiteral("create table issued_rows (id integer primary key autoincrement, FPDM text, FPHM text, "
                       "XH text, HPMC text, SL text, DJ text, JE text, BZ text, JLDW text)"),
    };
}

QByteArray controlFile(const InitOptions& o)
{
    const QStringList lines = {
        QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>"),
        QStringLiteral("<kpkz>"),
        QStringLiteral("<kp zlid=\"%1\">").arg(o.bookKind.toHtmlEscaped()),
        QStringLiteral("<invoice_info>"),
        QStringLiteral("<fpdm>%1</fpdm>").arg(o.code.toHtmlEscaped()),
        QStringLiteral("<fphm>%1</fphm>").arg(o.nextNumber.toHtmlEscaped()),
        QStringLiteral("<kpzt>0</kpzt>"),
        QStringLiteral("</invoice_info>"),
        QStringLiteral("<print_info>"),
        QStringLiteral("<print_left>%1</print_left>").arg(o.printLeft.toHtmlEscaped()),
        QStringLiteral("<print_top>%1</print_top>").arg(o.printTop.toHtmlEscaped()),
        QStringLiteral("<print_name>printer</print_name>"),
        QStringLiteral("</print_info>"),
        QStringLiteral("</kp>"),
        QStringLiteral("<printerName>printer</printerName>"),
        QStringLiteral("</kpkz>"),
    };
    return lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
}

} // namespace

bool initStandinFolder(const QString& folder, const InitOptions& o, QString& error)
{
    if (!QDir().mkpath(QDir(folder).filePath(QStringLiteral("Data"))) ||
        !QDir().mkpath(QDir(folder).filePath(QStringLiteral("Config")))) {
        error = StandinTexts::CannotCreateFolder + QDir::toNativeSeparators(folder);
        return false;
    }
    // A fresh start: an earlier database (and its issued invoices) is replaced.
    const QString dbPath = StandinDatabase::databasePath(folder);
    for (const QString& suffix :
         {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")})
        QFile::remove(dbPath + suffix);

    {
        StandinDatabase database(folder);
        if (!database.open(true, error))
            return false;
        if (!database.db().transaction()) {
            error = StandinTexts::DatabaseNotWritten;
            return false;
        }
        bool ok = true;
        for (const QString& statement : schema())
            ok = ok && database.exec(statement, {}, error);
        ok = ok && database.exec(QStringLiteral("insert into DM_FPHYFL (HYFLID, HYFLDM, HYFLMC) values "
                                                "(1, '0100', '工业'), (2, '0200', '商业'), (3, '0300', '服务业')"),
                                 {}, error);
        ok = ok && database.exec(QStringLiteral("insert into DM_KPZL (KPZLID, KPZLMC) values "
                                                "(1, '出口发票'), (2, '出口发票（机打）')"),
                                 {}, error);
        if (o.company) {
            ok = ok &&
                 database.exec(QStringLiteral("insert into KPZH values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                               {o.taxNumber, o.companyName, 2, o.industryName, o.companyKind,
                                QStringLiteral("310000400123456"), QStringLiteral("中国银行上海市分行"),
                                QStringLiteral("Bank of China Shanghai Branch"), QStringLiteral("BKCHCNBJ300"),
                                QStringLiteral("4563 5870 1234"), QStringLiteral("上海市浦东新区张杨路 500 号"),
                                QStringLiteral("500 Zhangyang Road, Pudong, Shanghai"), QStringLiteral("021-58881234"),
                                QStringLiteral("021-58881235")},
                               error);
        }
        // An older, finished book comes first, so a reader must pick the enabled one by its state.
        const QString book = QStringLiteral("insert into FPB_TZ (KPZLID, FPDM, QSHM, ZZHM, DQKYH, ZTID) "
                                            "values (?, ?, ?, ?, ?, ?)");
        ok = ok && database.exec(book,
                                 {1, QStringLiteral("3100071130"), QStringLiteral("00000001"),
                                  QStringLiteral("00001000"), QString(), 4},
                                 error);
        ok = ok && database.exec(book,
                                 {o.bookKind, o.code, QStringLiteral("00000001"), o.lastNumber, o.nextNumber,
                                  o.enabledBook ? 3 : 2},
                                 error);
        if (o.secondEnabledBook) {
            ok = ok && database.exec(book,
                                     {o.bookKind, QStringLiteral("3100071150"), QStringLiteral("00000001"),
                                      QStringLiteral("00001000"), QStringLiteral("00000001"), 3},
                                     error);
        }
        if (!ok || !database.db().commit()) {
            database.db().rollback();
            return false;
        }
    }

    const QString controlPath = StandinDatabase::configPath(folder, QStringLiteral("invoice.xml"));
    if (!o.controlFile) {
        QFile::remove(controlPath);
        return true;
    }
    QSaveFile file(controlPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(controlFile(o)) < 0 || !file.commit()) {
        error = StandinTexts::CannotWriteControl + QDir::toNativeSeparators(controlPath);
        return false;
    }
    return true;
}

} // namespace corvina::standin
