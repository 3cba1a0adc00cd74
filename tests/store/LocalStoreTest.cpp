#include "store/LocalStore.h"
#include "app/Failure.h"
#include "doubles/RecordingPrompter.h"
#include "store/DocumentFields.h"
#include "store/Statements.h"
#include "support/TestStore.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

using namespace corvina;

namespace {

SqlStatement insertHeader(const QString& id, const QString& fok = QStringLiteral("0"))
{
    SqlStatement s{Statements::insertHeaderText(), {}, {}};
    for (const char* name : {"FCustName", "FCustPo", "FCustOutportNo", "FCustAcc", "FCustSinature", "FCustContractNo",
                             "FCustCX", "FCustVF", "FMM1", "FMM2", "FMM3", "FMM4", "FMM5"})
        s.named.append({QString::fromLatin1(name), QStringLiteral("x")});
    s.named.append({QStringLiteral("FCustOrderId"), id});
    s.named.append({QStringLiteral("FInDate"), QStringLiteral("2024-03-05 14:07")});
    s.named.append({QStringLiteral("FOK"), fok});
    s.named.append({QStringLiteral("FNoTaxSum"), QStringLiteral("1.00")});
    return s;
}

SqlStatement insertLine(const QString& id, int no)
{
    return {Statements::insertLineText(),
            {},
            {{QStringLiteral("FCustOrderId"), id},
             {QStringLiteral("FNo"), QString::number(no)},
             {QStringLiteral("FItem"), QStringLiteral("item%1").arg(no)},
             {QStringLiteral("FCount"), QStringLiteral("1")},
             {QStringLiteral("FPrice"), QStringLiteral("2")},
             {QStringLiteral("FSum"), QStringLiteral("2.0000")}}};
}

int count(LocalStore& s, const char* table, const QString& id)
{
    return s.select({QStringLiteral("select * from %1 where FCustOrderId=?").arg(QLatin1String(table)), {id}, {}})
        .count();
}

// A store on the run's engine: SysData.mdb, or a database of its own on the test server.
struct StoreFixture : ::testing::Test {
    test::TempFolder dir;
    test::TestStore where{dir};
    RecordingPrompter prompter;
    LocalStore store{where.location(), prompter};
};

} // namespace

TEST_F(StoreFixture, CreatesTheStoreAndReopensQuietly)
{
    ASSERT_TRUE(store.open());
    EXPECT_EQ(QFile::exists(dir.file(QStringLiteral("SysData.mdb"))), !where.isServer());
    EXPECT_TRUE(store.open()); // already open: nothing new, no message
    EXPECT_TRUE(prompter.shown().isEmpty());
    // FNo is a number: twelve lines come back 1..12 in order, read as text.
    store.run(insertHeader(QStringLiteral("D1")));
    for (int no : {3, 12, 1, 10, 2, 11, 4, 5, 6, 7, 8, 9})
        store.run(insertLine(QStringLiteral("D1"), no));
    const Rows rows = store.select(Statements::lineItems(QStringLiteral("D1")));
    ASSERT_EQ(rows.count(), 12);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(rows.value(i, QStringLiteral("fno")), QString::number(i + 1));
    // Null columns read as empty text.
    const Rows header = store.select(Statements::existenceTest(QStringLiteral("D1")));
    EXPECT_EQ(store.select({QStringLiteral("select FInvCode from invoiceMaster"), {}, {}})
                  .value(0, QStringLiteral("FInvCode")),
              QString());
    EXPECT_EQ(header.count(), 1);
}

TEST(LocalStore, ExecuteWithoutAStoreShowsOnlyTheConnectionBox)
{
    RecordingPrompter prompter;
    LocalStore store(QStringLiteral("/nonexistent-folder/SysData.mdb"), prompter);
    EXPECT_FALSE(store.execute(Statements::deleteHeader(QStringLiteral("1"))));
    const QStringList texts = prompter.texts();
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts[0].startsWith(QStringLiteral("连接错误:"))) << texts[0].toStdString();
    EXPECT_EQ(prompter.shown()[0].kind, MessageBoxKind::Error);
    EXPECT_EQ(prompter.shown()[0].owner, BoxOwner::Application);
    EXPECT_THROW(store.select(Statements::lineItems(QStringLiteral("1"))), Failure);
}

TEST_F(StoreFixture, FailingStatementShowsOneBoxAndLeavesTheCallersTransactionActive)
{
    ASSERT_TRUE(store.open());
    store.beginTransaction();
    store.run(insertHeader(QStringLiteral("keep")));
    EXPECT_FALSE(store.execute({QStringLiteral("delete from noSuchTable where x=?"), {QStringLiteral("1")}, {}}));
    ASSERT_EQ(prompter.texts().size(), 1);
    EXPECT_TRUE(prompter.texts()[0].startsWith(QStringLiteral("出错原因：")));
    EXPECT_EQ(store.transactionDepth(), 1);
    store.commit(); // the caller's work before the failure is still there to commit
    EXPECT_EQ(count(store, "invoiceMaster", QStringLiteral("keep")), 1);
}

TEST_F(StoreFixture, NestedTransactionsAreSavepoints)
{
    ASSERT_TRUE(store.open());
    struct Case {
        bool innerCommit;
        bool outerCommit;
        int outerRows;
        int innerRows;
    } cases[] = {{true, true, 1, 1}, {false, true, 1, 0}, {true, false, 0, 0}, {false, false, 0, 0}};
    int n = 0;
    for (const Case& c : cases) {
        const QString outer = QStringLiteral("outer%1").arg(n), inner = QStringLiteral("inner%1").arg(n++);
        store.beginTransaction();
        store.run(insertHeader(outer));
        store.beginTransaction();
        store.run(insertHeader(inner));
        c.innerCommit ? store.commit() : store.rollback();
        c.outerCommit ? store.commit() : store.rollback();
        EXPECT_EQ(store.transactionDepth(), 0);
        EXPECT_EQ(count(store, "invoiceMaster", outer), c.outerRows);
        EXPECT_EQ(count(store, "invoiceMaster", inner), c.innerRows);
    }
    // ExecuteLocal nests inside the caller's transaction: the caller's rollback undoes it.
    store.run(insertHeader(QStringLiteral("victim")));
    store.beginTransaction();
    EXPECT_TRUE(store.execute(Statements::deleteHeader(QStringLiteral("victim"))));
    store.rollback();
    EXPECT_EQ(count(store, "invoiceMaster", QStringLiteral("victim")), 1);
}

TEST_F(StoreFixture, ApostrophesNeverChangeWhichRowsAStatementTouches)
{
    ASSERT_TRUE(store.open());
    const QStringList ids{QStringLiteral("A"), QStringLiteral("A'"), QStringLiteral("A' or '1'='1"),
                          QStringLiteral("' or ''='"), QStringLiteral("O'Brien")};
    auto reset = [&] {
        store.run({QStringLiteral("delete from invoiceMaster"), {}, {}});
        store.run({QStringLiteral("delete from invoiceDetail"), {}, {}});
        for (const QString& id : ids) {
            store.run(insertHeader(id));
            store.run(insertLine(id, 1));
        }
    };
    for (const QString& target : ids) {
        reset();
        // Selects see exactly the target's rows.
        EXPECT_EQ(store.select(Statements::existenceTest(target)).count(), 1) << target.toStdString();
        EXPECT_EQ(store.select(Statements::lineItems(target)).count(), 1);
        EXPECT_EQ(store.select(Statements::requestLineItems(target)).count(), 1);
        // Updates change exactly the target's row, with the values as given.
        ASSERT_TRUE(store.execute(
            Statements::editUpdate(QStringLiteral("c'1"), QStringLiteral("n'1"), QStringLiteral("1"), target)));
        ASSERT_TRUE(store.execute(Statements::markIssued(QStringLiteral("c'2"), QStringLiteral("n'2"), target)));
        const Rows issued = store.select(
            {QStringLiteral("select FCustOrderId,FInvCode,FInvNumber from invoiceMaster where FOK='1'"), {}, {}});
        ASSERT_EQ(issued.count(), 1);
        EXPECT_EQ(issued.value(0, QStringLiteral("FCustOrderId")), target);
        EXPECT_EQ(issued.value(0, QStringLiteral("FInvCode")), QStringLiteral("c'2"));
        EXPECT_EQ(issued.value(0, QStringLiteral("FInvNumber")), QStringLiteral("n'2"));
        // Deletes remove exactly the target's rows, in both spellings of the statements.
        for (const auto& del : {Statements::deleteHeader(target), Statements::deleteLines(target),
                                Statements::clearHeader(target), Statements::clearLines(target)})
            ASSERT_TRUE(store.execute(del));
        EXPECT_EQ(count(store, "invoiceMaster", target) + count(store, "invoiceDetail", target), 0);
        EXPECT_EQ(store.select({QStringLiteral("select * from invoiceMaster"), {}, {}}).count(), ids.size() - 1);
        EXPECT_EQ(store.select({QStringLiteral("select * from invoiceDetail"), {}, {}}).count(), ids.size() - 1);
    }
    EXPECT_TRUE(prompter.shown().isEmpty());
}

TEST(LocalStore, RefusesAFileThatIsNoDatabaseAndLeavesItAlone)
{
    test::TempFolder dir;
    const QByteArray content("this is a letter, not a database\n");
    dir.write(QStringLiteral("SysData.mdb"), content);
    RecordingPrompter prompter;
    LocalStore store(dir.file(QStringLiteral("SysData.mdb")), prompter);
    EXPECT_FALSE(store.open());
    ASSERT_EQ(prompter.texts().size(), 1);
    EXPECT_TRUE(prompter.texts()[0].startsWith(QStringLiteral("连接错误:")));
    QFile f(dir.file(QStringLiteral("SysData.mdb")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), content);
}

TEST_F(StoreFixture, EachThreadUsesItsOwnConnectionToTheSameStore)
{
    LocalStore& main = store;
    ASSERT_TRUE(main.open());
    main.run(insertHeader(QStringLiteral("T1")));
    int seen = -1;
    bool updated = false;
    QThread* worker = QThread::create([&] {
        LocalStore mine(where.location(), prompter);
        seen = mine.select(Statements::existenceTest(QStringLiteral("T1"))).count();
        updated = mine.execute(Statements::markIssued(QStringLiteral("C"), QStringLiteral("N"), QStringLiteral("T1")));
    });
    worker->start();
    worker->wait();
    delete worker;
    EXPECT_EQ(seen, 1);
    EXPECT_TRUE(updated);
    EXPECT_EQ(main.select(Statements::existenceTest(QStringLiteral("T1"))).value(0, QStringLiteral("FOK")),
              QStringLiteral("1"));
}

// Two connections of this process on the store (the window's and a run's, a run's and its lease's)
// and a reader in another process that comes and goes: the reader never finds itself the last one
// on the file, so it never folds in and deletes the write-ahead log under our connections, and
// what they commit afterwards is there for every process to read.
TEST(LocalStore, AReaderInAnotherProcessNeverDeletesTheLogUnderOurConnections)
{
    test::TempFolder app;
    const QString path = app.file(QStringLiteral("SysData.mdb"));
    RecordingPrompter prompter;
    LocalStore first(path, prompter);
    ASSERT_TRUE(first.open());
    ASSERT_TRUE(first.execute({QStringLiteral("insert into invoiceMaster(FCustOrderId,FOK,FInDate) values(?,'0',?)"),
                               {QStringLiteral("D1"), QStringLiteral("2024-03-05 14:07")},
                               {}}));
    LocalStore second(path, prompter);
    ASSERT_TRUE(second.open());
    ASSERT_TRUE(QFile::exists(path + QStringLiteral("-wal")));

    const test::ProcessResult reader = test::runProgram(
        QStringLiteral("corvina"), {QStringLiteral("journal"), QStringLiteral("--app-folder"), app.path()});
    ASSERT_EQ(reader.status, 0) << reader.err.toStdString();
    EXPECT_TRUE(QFile::exists(path + QStringLiteral("-wal")));

    ASSERT_TRUE(second.execute({QStringLiteral("insert into invoiceMaster(FCustOrderId,FOK,FInDate) values(?,'0',?)"),
                                {QStringLiteral("D2"), QStringLiteral("2024-03-05 14:07")},
                                {}}));
    const test::ProcessResult query = test::runProgram(
        QStringLiteral("corvina"), {QStringLiteral("query"), QStringLiteral("--from"),
                                    QStringLiteral("2024-01-01 00:00"), QStringLiteral("--app-folder"), app.path()});
    ASSERT_EQ(query.status, 0) << query.err.toStdString();
    EXPECT_TRUE(query.out.contains(QStringLiteral("D1")) && query.out.contains(QStringLiteral("D2")))
        << query.out.toStdString();
}

// A SysData.mdb that is not our store is refused with its reason and left exactly as it was: the
// old program's Access store above all, whose documents must not be lost to a new empty store.
TEST(LocalStore, FilesThatAreNotAStoreAreRefusedUntouched)
{
    const struct {
        const char* name;
        QByteArray bytes;
        QString reason;
    } cases[] = {
        {"an Access file, the old program's store",
         test::fileBytes(test::dataPath(QStringLiteral("access/DateTestCjk.mdb"))),
         QStringLiteral("是Access数据库（原来的单据数据库），不能直接作为本程序的数据库使用，未作任何改动")},
        {"plain text", QByteArray("FCustOrderId,FOK\r\nXS1,0\r\n"),
         QStringLiteral("既不是SQLite数据库也不是Access数据库，未作任何改动")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_GT(c.bytes.size(), 16);
        test::TempFolder dir;
        const QString path = dir.file(QStringLiteral("SysData.mdb"));
        dir.write(QStringLiteral("SysData.mdb"), c.bytes);
        RecordingPrompter prompter;
        LocalStore store(path, prompter);
        EXPECT_FALSE(store.open());
        ASSERT_EQ(prompter.texts().size(), 1);
        EXPECT_TRUE(prompter.texts()[0].startsWith(QStringLiteral("连接错误:文件 ")));
        EXPECT_TRUE(prompter.texts()[0].contains(c.reason)) << prompter.texts()[0].toStdString();
        EXPECT_EQ(test::fileBytes(path), c.bytes);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("SysData.mdb")});
    }
}

// The tables are made with exactly the document's fields, in their order, on either engine: the
// import writes all of them and the list reads them by name.
TEST_F(StoreFixture, DocumentTablesHoldExactlyTheDocumentsFields)
{
    ASSERT_TRUE(store.open());
    const auto lower = [](const auto& fields) {
        QStringList names;
        for (const QLatin1StringView f : fields)
            names << QString(f).toLower();
        return names;
    };
    const auto columns = [&](const char* table) {
        QStringList names =
            store.select({QStringLiteral("select * from %1 where 1=0").arg(QLatin1String(table)), {}, {}}).columns();
        for (QString& n : names)
            n = n.toLower();
        return names;
    };
    EXPECT_EQ(columns("invoiceMaster"), lower(DocumentFields::Imported) + lower(DocumentFields::Issued));
    EXPECT_EQ(columns("invoiceDetail"), lower(DocumentFields::Line));
}
