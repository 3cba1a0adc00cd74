// Moving the replaced program's Access store into ours: Access files made by the tests' own Jet 4
// writer (read back by Debian's mdb-export too, on Linux), moved into SysData.mdb or the shared
// store, checked, the old file kept; every failure leaves the folder as it was.
#include "session/StoreMove.h"

#include "app/Clock.h"
#include "app/Gbk.h"
#include "app/Paths.h"
#include "doubles/RecordingPrompter.h"
#include "invoicing/AccessEngine.h"
#include "store/DatabaseFile.h"
#include "store/LocalStore.h"
#include "support/OldStore.h"
#include "support/TestStore.h"
#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

using namespace corvina;
using namespace corvina::test;

namespace {

const QString Chinese = QStringLiteral("上海远洋贸易有限公司");

QByteArray hashOf(const QString& path)
{
    return QCryptographicHash::hash(fileBytes(path), QCryptographicHash::Sha256);
}

// A folder whose SysData.mdb is the old store, its settings on this run's engine.
struct OldFolder {
    TempFolder folder;
    TestStore store{folder};
    AppSettings settings;
    FakeClock clock; // 2024-03-05
    RecordingPrompter prompter;

    explicit OldFolder(const JetFile& file)
    {
        QString error;
        EXPECT_TRUE(writeJet4File(folder.file(QStringLiteral("SysData.mdb")), file, &error)) << error.toStdString();
        settings = AppSettings::load(folder.path());
        if (store.isServer())
            settings.StoreUrl = store.location();
    }
    QString accessFile() const { return nativePath(settings.LocalStorePath); }
    QString kept() const { return folder.file(QStringLiteral("SysData-Access-20240305.mdb")); }
    Rows rows(const QString& sql)
    {
        LocalStore local(settings.storeLocation(), prompter);
        return local.select({sql, {}, {}});
    }
};

QStringList rowValues(const Rows& rows, int r)
{
    QStringList values;
    for (int c = 0; c < rows.columns().size(); ++c)
        values << rows.at(r, c);
    return values;
}

// The old file with a line whose header is gone: it comes along, as the file held it.
JetFile withOrphanLine(JetFile file)
{
    file.tables[1].rows << QVariantList{QStringLiteral("XS20249999"), QStringLiteral("1"), QStringLiteral("孤行"),
                                        QStringLiteral("1"),          QStringLiteral("2"), QStringLiteral("2.0000")};
    return file;
}

} // namespace

// The documents arrive whole, in the store's text forms, the issued ones with their code and
// number; the old file is kept byte for byte under its dated name and the store takes its place.
TEST(StoreMove, TheOldStoreMovesWholeAndIsKeptBesideIt)
{
    struct Case {
        const char* name;
        Typing typing;
        // What document 2 (not issued, a long remark) and its first line become.
        QString inDate, noTaxSum, firstRemarkLength, lineNumber, count, price, sum;
    };
    const Case cases[] = {
        {"every column text", Typing::AllText, QStringLiteral("2013-05-07 09:05"), QStringLiteral("1002.46"),
         QStringLiteral("100"), QStringLiteral("1"), QStringLiteral("2.5"), QStringLiteral("12.3456"),
         QStringLiteral("30.8640")},
        {"typed columns", Typing::Typed, QStringLiteral("2013-05-07 09:05"), QStringLiteral("1002.4567"),
         QStringLiteral("1900"), QStringLiteral("1"), QStringLiteral("2.5"), QStringLiteral("12.3456"),
         QStringLiteral("30.8640")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OldFolder old(oldStore(c.typing, 12, 3));
        const QByteArray original = hashOf(old.accessFile());
        ASSERT_EQ(accessStoreOf(old.settings), old.accessFile());

        StoreMove move(old.settings, old.accessFile(), old.prompter, old.clock);
        QString reason;
        ASSERT_TRUE(move.read(&reason)) << reason.toStdString();
        EXPECT_EQ(move.summary().documents, 12);
        EXPECT_EQ(move.summary().issued, 4);
        EXPECT_EQ(move.summary().lines, 36);
        ASSERT_TRUE(move.move(&reason)) << reason.toStdString();

        EXPECT_EQ(hashOf(old.kept()), original);
        EXPECT_EQ(move.summary().keptAs, QDir::toNativeSeparators(old.kept()));
        QByteArray head;
        ASSERT_TRUE(readDatabaseHead(old.accessFile(), &head, &reason));
        EXPECT_EQ(databaseFileKind(head),
                  old.store.isServer() ? DatabaseFileKind::Unknown : DatabaseFileKind::Sqlite); // gone, or ours
        EXPECT_TRUE(accessStoreOf(old.settings).isEmpty());

        const Rows docs = old.rows(QStringLiteral("select FCustOrderId, FCustName, FCustAcc, FMM1, FMM2, FInDate, FOK,"
                                                  " FNoTaxSum, FInvCode, FInvNumber from invoiceMaster"
                                                  " order by FCustOrderId"));
        ASSERT_EQ(docs.count(), 12);
        EXPECT_EQ(rowValues(docs, 0),
                  (QStringList{documentId(1), Chinese, QString(), QStringLiteral("备注1"), QString(),
                               QStringLiteral("2013-05-07 09:04"), QStringLiteral("1"),
                               c.typing == Typing::Typed ? QStringLiteral("1001.4567") : QStringLiteral("1001.46"),
                               QStringLiteral("3100071140"), QStringLiteral("20000001")}));
        EXPECT_EQ(docs.at(1, 3).size(), c.firstRemarkLength.toInt());
        EXPECT_EQ(docs.at(1, 5), c.inDate);
        EXPECT_EQ(docs.at(1, 6), QStringLiteral("0"));
        EXPECT_EQ(docs.at(1, 7), c.noTaxSum);
        EXPECT_EQ(docs.at(1, 8), QString());
        const Rows lines = old.rows(QStringLiteral("select FNo, FItem, FCount, FPrice, FSum from invoiceDetail"
                                                   " where FCustOrderId='XS20240002' order by FNo"));
        ASSERT_EQ(lines.count(), 3);
        EXPECT_EQ(rowValues(lines, 0),
                  (QStringList{c.lineNumber, QStringLiteral("货物2-1 规格A"), c.count, c.price, c.sum}));
        EXPECT_EQ(old.rows(QStringLiteral("select count(*) from invoiceDetail")).at(0, 0), QStringLiteral("36"));
        EXPECT_TRUE(fileBytes(old.settings.logPath()).size() > 0);
    }
}

// A file that cannot be read, or is not the old store, or a store that refuses a row: one reason,
// and the folder (and the store) exactly as they were.
TEST(StoreMove, AFailureLeavesEverythingAsItWas)
{
    struct Case {
        const char* name;
        std::function<void(JetFile&)> shape;
        std::function<void(const QString& file)> damage;
        QString reasonStart;
    };
    const Case cases[] = {
        {"cut after its first pages",
         {},
         [](const QString& file) {
             QFile f(file);
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             f.resize(3 * 4096);
         },
         QStringLiteral("连接错误:")},
        {"its catalogue overwritten",
         {},
         [](const QString& file) {
             QFile f(file);
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             f.seek(2 * 4096);
             f.write(QByteArray(4096, '\x5a'));
         },
         QStringLiteral("连接错误:")},
        {"no invoiceDetail", [](JetFile& f) { f.tables.removeLast(); }, {}, QStringLiteral("Access数据库 ")},
        {"no FOK column",
         [](JetFile& f) {
             JetTable& m = f.tables.first();
             const int at = static_cast<int>(std::find_if(m.columns.begin(), m.columns.end(),
                                                          [](const JetColumn& col) { return col.name == "FOK"; }) -
                                             m.columns.begin());
             m.columns.removeAt(at);
             for (QVariantList& row : m.rows)
                 row.removeAt(at);
         },
         {},
         QStringLiteral("Access数据库 ")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JetFile file = oldStore(Typing::Typed, 5, 2);
        if (c.shape)
            c.shape(file);
        OldFolder old(file);
        if (c.damage)
            c.damage(old.accessFile());
        setAccessReadAttempts(1, 0);
        const auto before = folderState(old.folder.path());
        StoreMove move(old.settings, old.accessFile(), old.prompter, old.clock);
        QString reason;
        const bool moved = move.read(&reason) && move.move(&reason);
        setAccessReadAttempts(4, 100);
        EXPECT_FALSE(moved);
        EXPECT_TRUE(reason.startsWith(c.reasonStart)) << reason.toStdString();
        EXPECT_EQ(folderState(old.folder.path()), before);
        if (old.store.isServer()) {
            EXPECT_EQ(old.rows(QStringLiteral("select count(*) from invoiceMaster")).at(0, 0), QStringLiteral("0"));
        }
    }
}

// Documents the store holds already are left as they are and counted; one that the old store
// shows issued and ours does not is marked issued with the old code and number, so that no run
// offers it again. A statement the store refuses takes back every row of the move.
TEST(StoreMove, DocumentsAlreadyThereAreCountedAndNeverOfferedAgain)
{
    // The old file in another folder; the folder's store one of ours holding two of its documents.
    struct Setup {
        TempFolder from;
        OldFolder old{withOrphanLine(oldStore(Typing::AllText, 6, 2))};
        QString elsewhere = from.file(QStringLiteral("SysData.mdb"));
        explicit Setup(bool refuseALine)
        {
            EXPECT_TRUE(QFile::rename(old.accessFile(), elsewhere));
            LocalStore store(old.settings.storeLocation(), old.prompter);
            store.run(
                {QStringLiteral("insert into invoiceMaster(FCustOrderId, FOK, FNoTaxSum) values (?, '0', '5.00')"),
                 {documentId(1)},
                 {}});
            store.run({QStringLiteral("insert into invoiceMaster(FCustOrderId, FOK, FInvCode, FInvNumber, FNoTaxSum)"
                                      " values (?, '1', '9', '99', '7.00')"),
                       {documentId(2)},
                       {}});
            // A stray line of a document about to arrive goes, as the import clears it.
            store.run({QStringLiteral("insert into invoiceDetail(FCustOrderId, FNo, FSum) values (?, 9, '1.0000')"),
                       {documentId(3)},
                       {}});
            if (refuseALine)
                old.store.refuse(store, QStringLiteral("insert"), QStringLiteral("invoiceDetail"),
                                 QStringLiteral("new.FCustOrderId = 'XS20240005'"));
        }
        QString state(const QString& id)
        {
            const Rows r = old.rows(QStringLiteral("select FOK, FInvCode, FInvNumber, FNoTaxSum from invoiceMaster"
                                                   " where FCustOrderId='%1'")
                                        .arg(id));
            return r.count() == 1 ? rowValues(r, 0).join(QLatin1Char('|')) : QStringLiteral("absent");
        }
    };
    {
        SCOPED_TRACE("a line refused");
        Setup s(true);
        StoreMove move(s.old.settings, s.elsewhere, s.old.prompter, s.old.clock);
        QString reason;
        EXPECT_FALSE(move.move(&reason));
        EXPECT_TRUE(reason.contains(QStringLiteral("row locked"))) << reason.toStdString();
        EXPECT_EQ(s.old.rows(QStringLiteral("select count(*) from invoiceMaster")).at(0, 0), QStringLiteral("2"));
        EXPECT_EQ(s.state(documentId(1)), QStringLiteral("0|||5.00"));
        EXPECT_TRUE(QFileInfo::exists(s.elsewhere));
    }
    SCOPED_TRACE("moved");
    Setup s(false);
    StoreMove move(s.old.settings, s.elsewhere, s.old.prompter, s.old.clock);
    QString reason;
    ASSERT_TRUE(move.move(&reason)) << reason.toStdString();
    EXPECT_EQ(move.summary().alreadyThere, 2);
    EXPECT_EQ(move.summary().markedIssued, 1);
    EXPECT_EQ(s.old.rows(QStringLiteral("select count(*) from invoiceMaster")).at(0, 0), QStringLiteral("6"));
    EXPECT_EQ(s.old.rows(QStringLiteral("select count(*) from invoiceDetail")).at(0, 0), QStringLiteral("9"));
    EXPECT_EQ(s.old.rows(QStringLiteral("select count(*) from invoiceDetail where FCustOrderId='XS20240003'")).at(0, 0),
              QStringLiteral("2"));
    EXPECT_EQ(s.state(documentId(1)), QStringLiteral("1|3100071140|20000001|5.00"));
    EXPECT_EQ(s.state(documentId(2)), QStringLiteral("1|9|99|7.00"));
    EXPECT_EQ(s.state(documentId(3)), QStringLiteral("0|||1003.46"));
    EXPECT_FALSE(QFileInfo::exists(s.elsewhere));
    EXPECT_TRUE(QFileInfo::exists(s.from.file(QStringLiteral("SysData-Access-20240305.mdb"))));
}

// The window's question: No changes nothing; Yes moves, and the box says what was done. Columns
// the store has no place for are named in the log.
TEST(StoreMove, TheWindowAsksFirstAndTheLogNamesWhatWasLeftOut)
{
    OldFolder old(oldStore(Typing::Typed, 4, 1, {QStringLiteral("FOldFlag"), QStringLiteral("FOldNote")}));
    const auto before = folderState(old.folder.path());
    old.prompter.queueAnswer(ButtonCode::No);
    EXPECT_FALSE(offerStoreMove(old.settings, old.prompter, old.clock));
    EXPECT_EQ(folderState(old.folder.path()), before);
    ASSERT_EQ(old.prompter.texts().size(), 1);
    EXPECT_TRUE(old.prompter.texts()[0].contains(QStringLiteral("单据 4 张（已开票 2 张）、明细 4 行")))
        << old.prompter.texts()[0].toStdString();
    EXPECT_TRUE(old.prompter.texts()[0].contains(QStringLiteral("SysData-Access-20240305.mdb")));

    old.prompter.clear();
    old.prompter.queueAnswer(ButtonCode::Yes);
    EXPECT_TRUE(offerStoreMove(old.settings, old.prompter, old.clock));
    ASSERT_EQ(old.prompter.texts().size(), 2);
    EXPECT_TRUE(old.prompter.texts()[1].startsWith(QStringLiteral("已把单据 4 张（已开票 2 张）、明细 4 行移入")))
        << old.prompter.texts()[1].toStdString();
    EXPECT_TRUE(QFileInfo::exists(old.kept()));
    const QString log = gbkDecode(fileBytes(old.settings.logPath()));
    EXPECT_TRUE(log.contains(QStringLiteral("忽略的列 2 个：invoiceMaster.FOldFlag, invoiceMaster.FOldNote")))
        << log.toStdString();
    // Nothing more to move: no second question.
    old.prompter.clear();
    EXPECT_TRUE(offerStoreMove(old.settings, old.prompter, old.clock));
    EXPECT_TRUE(old.prompter.texts().isEmpty());
}

// A few thousand documents move in one transaction, and the sums checked are the file's.
TEST(StoreMove, AFewThousandDocumentsMoveInOneGo)
{
    OldFolder old(oldStore(Typing::Typed, 3000, 5));
    StoreMove move(old.settings, old.accessFile(), old.prompter, old.clock);
    QString reason;
    ASSERT_TRUE(move.move(&reason)) << reason.toStdString();
    EXPECT_EQ(move.summary().documents, 3000);
    EXPECT_EQ(move.summary().lines, 15000);
    // 1001.4567 + ... + 4000.4567, and 15,000 lines of 30.864.
    EXPECT_EQ(move.summary().noTaxSum, QStringLiteral("7502870.1000"));
    EXPECT_EQ(move.summary().sum, QStringLiteral("462960.0000"));
    EXPECT_EQ(old.rows(QStringLiteral("select count(*) from invoiceMaster where FOK='1'")).at(0, 0),
              QStringLiteral("1000"));
    EXPECT_EQ(old.rows(QStringLiteral("select count(*) from invoiceDetail")).at(0, 0), QStringLiteral("15000"));
}

// Our reading of the files the tests write is Debian's mdb-export's, cell by cell: an independent
// reader of the same pages (dates asked in our form).
TEST(StoreMove, LinuxOnly_TheWrittenFilesReadAsMdbExportReadsThem)
{
    struct Case {
        const char* name;
        JetFile file;
    };
    JetFile withoutPassword = oldStore(Typing::AllText, 20, 2);
    withoutPassword.databasePassword.clear();
    const Case cases[] = {
        {"text columns, a database password", oldStore(Typing::AllText, 20, 2)},
        {"typed columns, long remarks, nulls", oldStore(Typing::Typed, 20, 2, {QStringLiteral("FExtra")})},
        {"no password", withoutPassword},
        {"three thousand documents", oldStore(Typing::Typed, 3000, 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const QString file = folder.file(QStringLiteral("old.mdb"));
        QString error;
        ASSERT_TRUE(writeJet4File(file, c.file, &error)) << error.toStdString();
        const auto engine = makeAccessEngine(file, QString());
        ASSERT_TRUE(engine->open(&error)) << error.toStdString();
        for (const JetTable& table : c.file.tables) {
            SCOPED_TRACE(table.name.toStdString());
            QProcess exporter;
            exporter.start(QStringLiteral("mdb-export"),
                           {QStringLiteral("-T"), QStringLiteral("%Y-%m-%d %H:%M:%S"), file, table.name});
            ASSERT_TRUE(exporter.waitForFinished(60000));
            ASSERT_EQ(exporter.exitCode(), 0) << exporter.readAllStandardError().toStdString();
            const QList<QStringList> exported = parseExportCsv(exporter.readAllStandardOutput());
            const Rows ours = engine->table(table.name);
            ASSERT_EQ(exported.size(), ours.count() + 1);
            EXPECT_EQ(exported[0], ours.columns());
            ASSERT_EQ(ours.count(), table.rows.size());
            for (int r = 0; r < ours.count(); ++r)
                ASSERT_EQ(exported[r + 1], rowValues(ours, r)) << "row " << r;
        }
    }
}
