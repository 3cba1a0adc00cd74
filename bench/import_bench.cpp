// Times the workbook readers and the whole import on a big workbook.
//   import_bench read WORKBOOK            read every cell of sheet1 as the import does
//   import_bench import WORKBOOK FOLDER   import into a fresh store in FOLDER
// Prints "name=value" lines for scripts/bench-workbookImport.

#include "app/Clock.h"
#include "app/Failure.h"
#include "app/Settings.h"
#include "cli/CliPrompter.h"
#include "invoices/WorkbookImport.h"
#include "spreadsheet/Workbook.h"
#include "store/LocalStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>

using namespace corvina;

namespace {

int readAll(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    auto book = Workbook::open(path);
    // As the import's document pass reads: columns A to N, row after row.
    const auto rows = book->rows(QStringLiteral("sheet1"), 14);
    qint64 cells = 0;
    qint64 chars = 0;
    SheetRow row;
    while (rows->next(row)) {
        for (const SheetRow::Cell& c : row.cells) {
            if (!c.value.isEmpty()) {
                ++cells;
                chars += c.value.text.size();
            }
        }
    }
    std::printf("read_seconds=%.3f\ncells=%lld\nchars=%lld\n", timer.elapsed() / 1000.0, cells, chars);
    return 0;
}

int importAll(const QString& path, const QString& folder)
{
    QDir().mkpath(folder);
    const AppSettings settings = AppSettings::load(ExeFolder(folder));
    QFile::remove(QDir(folder).filePath(QStringLiteral("SysData.mdb")));
    QFile::remove(settings.logPath());
    CliPrompter prompter(false);
    SystemClock clock;
    LocalStore store(settings.LocalStorePath, prompter);
    if (!store.open())
        return 1;
    WorkbookImport workbookImport(settings, prompter, clock, store);
    int documents = 0;
    workbookImport.setProgress([&documents](int done, int) { documents = done; });
    QElapsedTimer timer;
    timer.start();
    workbookImport.ImportWorkbook(path, QStringLiteral("sheet1"), settings.logPath());
    const double seconds = timer.elapsed() / 1000.0;
    // What landed in the store, as a check that the fast path stored everything.
    // Counted by the store: reading a million rows back would be the peak, not the import.
    const int headers = store.select({QStringLiteral("select count(*) as n from invoiceMaster"), {}, {}})
                            .value(0, QStringLiteral("n"))
                            .toInt();
    const int lines = store.select({QStringLiteral("select count(*) as n from invoiceDetail"), {}, {}})
                          .value(0, QStringLiteral("n"))
                          .toInt();
    std::printf("import_seconds=%.3f\ndocuments=%d\nfailed=%d\nheaders=%d\nlines=%d\n", seconds, documents,
                workbookImport.lastRunFailed() ? 1 : 0, headers, lines);
    return workbookImport.lastRunFailed() ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    try {
        if (args.size() == 3 && args.at(1) == QLatin1String("read"))
            return readAll(args.at(2));
        if (args.size() == 4 && args.at(1) == QLatin1String("import"))
            return importAll(args.at(2), args.at(3));
    } catch (const Failure& failure) {
        std::fprintf(stderr, "%s\n", failure.message().toUtf8().constData());
        return 1;
    }
    std::fprintf(stderr, "usage: import_bench read WORKBOOK | import WORKBOOK FOLDER\n");
    return 2;
}
