#include "app/Clock.h"
#include "doubles/NoStopKey.h"
#include "doubles/RecordingPrompter.h"
#include "session/AppSession.h"
#include "store/LocalStore.h"
#include "support/TestSupport.h"
#include "ui/TMainFrm.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QProgressDialog>
#include <QUrl>
#include <gtest/gtest.h>

using namespace corvina;

namespace {

// Stands in for the desktop's "open" action on files.
class OpenedFiles : public QObject {
    Q_OBJECT
public:
    QStringList paths;
public slots:
    void open(const QUrl& url) { paths << url.toLocalFile(); }
};

} // namespace

TEST(ImportButton, ImportsTheChosenWorkbookWithProgressAndOpensTheLog)
{
    test::TempFolder dir;
    RecordingPrompter prompter;
    FakeClock clock;
    AppSession session({dir.path(), {}}, prompter, clock);
    TMainFrm window(session, std::make_unique<NoStopKey>());
    prompter.clear();
    OpenedFiles opened;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");

    dir.write(QStringLiteral("InputLogFile.log"), "from before\r\n");
    window.BitBtn2Click(); // the file dialog is cancelled
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("InputLogFile.log"))));
    EXPECT_TRUE(opened.paths.isEmpty());

    prompter.queueFile(test::dataPath(QStringLiteral("workbooks/import/gaps.xlsx")));
    window.BitBtn2Click();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_TRUE(prompter.texts().isEmpty()) << prompter.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(window.localStore().select({QStringLiteral("select * from invoiceMaster"), {}, {}}).count(), 2);
    ASSERT_EQ(opened.paths.size(), 1);
    EXPECT_EQ(QFileInfo(opened.paths.first()).canonicalFilePath(),
              QFileInfo(dir.file(QStringLiteral("InputLogFile.log"))).canonicalFilePath());
    // No progress dialog stays behind.
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<QProgressDialog*>(w) && w->isVisible());
}

#include "ImportButtonTest.moc"
