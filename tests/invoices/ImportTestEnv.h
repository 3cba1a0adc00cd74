#pragma once

#include "app/Clock.h"
#include "app/Gbk.h"
#include "app/Settings.h"
#include "doubles/RecordingPrompter.h"
#include "invoices/WorkbookImport.h"
#include "store/LocalStore.h"
#include "support/TestStore.h"
#include "support/TestSupport.h"

#include <QFile>

namespace corvina::test {

// A fresh application folder with its own store (on the run's engine), a recording prompter and
// a fake clock.
struct ImportEnv {
    TempFolder dir;
    TestStore where{dir};
    AppSettings settings;
    RecordingPrompter prompter;
    FakeClock clock;
    std::unique_ptr<LocalStore> store;

    explicit ImportEnv(const MergeSettings& merge = MergeSettings())
    {
        settings.AppFolder = dir.path();
        settings.Merge = merge;
        settings.LocalStorePath = dir.file(QStringLiteral("SysData.mdb"));
        if (where.isServer())
            settings.StoreUrl = where.location();
        store = std::make_unique<LocalStore>(settings.storeLocation(), prompter);
        store->open();
    }

    static QString fixture(const QString& name) { return dataPath(QStringLiteral("workbooks/import/") + name); }

    bool import(const QString& name, WorkbookImport* configured = nullptr)
    {
        WorkbookImport own(settings, prompter, clock, *store);
        WorkbookImport& run = configured ? *configured : own;
        return run.ImportWorkbook(fixture(name), QStringLiteral("sheet1"), settings.logPath());
    }

    // The log's texts without their time stamps.
    QStringList log() const
    {
        QFile f(settings.logPath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = gbkDecode(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        for (QString& line : lines)
            line = line.mid(22); // "[yyyy-mm-dd hh:nn:ss] "
        return lines;
    }

    Rows header(const QString& id)
    {
        return store->select({QStringLiteral("select * from invoiceMaster where FCustOrderId=?"), {id}, {}});
    }
    Rows lines(const QString& id)
    {
        return store->select(
            {QStringLiteral("select * from invoiceDetail where FCustOrderId=? order by FNo"), {id}, {}});
    }
    QStringList storedIds()
    {
        const Rows rows = store->select({QStringLiteral("select FCustOrderId from invoiceMaster order by ") +
                                             (where.isServer() ? QStringLiteral("ctid") : QStringLiteral("rowid")),
                                         {},
                                         {}});
        QStringList ids;
        for (int i = 0; i < rows.count(); ++i)
            ids << rows.value(i, QStringLiteral("FCustOrderId"));
        return ids;
    }
};

} // namespace corvina::test
