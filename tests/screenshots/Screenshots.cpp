// Pictures of the window for a person to look at: the main window listing documents that wait to
// be settled, the journal window, the edit dialog settling an attempt and an error box. Run by
// scripts/screenshots (Linux) and scripts/screenshot-windows (under wine) in a private X server;
// writes PNG files into the folder given.

#include "app/Clock.h"
#include "doubles/NoStopKey.h"
#include "doubles/RecordingPrompter.h"
#include "invoicing/IssuingDatabase.h"
#include "platform/ProcessStart.h"
#include "session/AppSession.h"
#include "store/IssueJournal.h"
#include "support/BrowserSeed.h"
#include "support/TestSupport.h"
#include "ui/CorvinaApplication.h"
#include "ui/GuiPrompter.h"
#include "ui/InvoiceListModel.h"
#include "ui/TJournalFrm.h"
#include "ui/TMainFrm.h"
#include "ui/TfrmEdt.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QTableView>
#include <QTimer>
#include <cstdio>

using namespace corvina;
using namespace corvina::test;

namespace {

bool save(QWidget& widget, const QString& folder, const QString& name)
{
    QApplication::processEvents();
    const bool saved = widget.grab().save(QDir(folder).filePath(name));
    std::fprintf(stderr, "%s %s\n", saved ? "wrote" : "could not write", qPrintable(name));
    return saved;
}

} // namespace

int main(int argc, char** argv)
{
    prepareProcess();
    CorvinaApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: corvina-screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    TempFolder folder;
    RecordingPrompter prompter;
    FakeClock clock(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    const QString code = QStringLiteral("3100071140");
    {
        LocalStore store(folder.file(QStringLiteral("SysData.mdb")), prompter);
        if (!store.open())
            return 1;
        const char* ids[] = {"XS20240001", "XS20240002", "XS20240003", "XS20240004", "XS20240005", "XS20240006"};
        for (int i = 0; i < 6; ++i)
            seedDocument(store, {QString::fromLatin1(ids[i]), QStringLiteral("%1.00").arg(1250 * (i + 1)), 2});
        IssueJournal run(store, clock, prompter, QStringLiteral("开票一号"));
        run.recordIssued(run.begin(QStringLiteral("XS20240001"), code, QStringLiteral("00000101")).attempt);
        // Cut off after "保存": the run has ended, the clerk must settle it.
        run.releaseLease(run.begin(QStringLiteral("XS20240002"), code, QStringLiteral("00000102")).attempt);
        // Another station's run is issuing this one right now.
        IssueJournal other(store, clock, prompter, QStringLiteral("开票二号"));
        other.begin(QStringLiteral("XS20240004"), QStringLiteral("3100072260"), QStringLiteral("00000031"));
    }

    AppSession session({folder.path(), {}}, prompter, clock);
    TMainFrm window(session, std::make_unique<NoStopKey>());
    window.show();
    window.BitBtn1Click();
    for (int r = 0; r < window.invoiceList().rowCount(); ++r)
        window.invoiceList().setChecked(r, r != 4);
    window.UpdateSelectionTotals();
    bool ok = save(window, out, QStringLiteral("main-window-waiting.png"));

    window.BitBtn6Click();
    TJournalFrm* journal = window.journalWindow();
    journal->Attempts->selectRow(1);
    ok = save(*journal, out, QStringLiteral("journal-window.png")) && ok;

    QTimer::singleShot(300, [&] {
        if (auto* dialog = qobject_cast<TfrmEdt*>(QApplication::activeModalWidget())) {
            ok = save(*dialog, out, QStringLiteral("settling-dialog.png")) && ok;
            dialog->reject();
        } else {
            ok = false;
        }
    });
    journal->settleSelected();
    for (const QString& box : prompter.texts())
        std::fprintf(stderr, "box: %s\n", qPrintable(box));

    // An error box as the clerk meets it: the invoicing program's database cannot be read.
    GuiPrompter boxes;
    boxes.setMainWindow(&window);
    QTimer::singleShot(300, [&] {
        if (auto* box = QApplication::activeModalWidget()) {
            ok = save(*box, out, QStringLiteral("error-box.png")) && ok;
            box->close();
        } else {
            ok = false;
        }
    });
    IssuingDatabase unreadable(QDir::toNativeSeparators(folder.file(QStringLiteral("DB_KP.mdb"))), boxes);
    folder.write(QStringLiteral("DB_KP.mdb"), QByteArray(4096, 'x'));
    unreadable.open();
    return ok ? 0 : 1;
}
