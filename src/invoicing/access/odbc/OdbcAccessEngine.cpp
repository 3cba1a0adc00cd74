#include "invoicing/AccessEngine.h"

#include "invoicing/QtSqlIssuingEngine.h"
#include "store/Texts.h"

namespace corvina {

namespace {

// The system's Access ODBC driver, by the name it is registered under. Windows itself ships only a
// 32-bit Access driver; a 64-bit program needs Microsoft's Access Database Engine of its own bitness.
const QString kAccessOdbcDriver = QStringLiteral("Microsoft Access Driver (*.mdb, *.accdb)");
constexpr int kBits = sizeof(void*) * 8;

QString missingDriver(const QString& nativePath)
{
    return StoreTexts::NoAccessOdbcDriver.arg(nativePath, kAccessOdbcDriver) +
           StoreTexts::InstallAccessDriver.arg(QString::number(kBits),
                                               kBits == 64 ? QStringLiteral("AccessDatabaseEngine_X64.exe")
                                                           : QStringLiteral("AccessDatabaseEngine.exe"));
}

// An ODBC connection-string value in braces, so that ";" in a path or password stays inside it.
QString braced(QString value)
{
    return QLatin1Char('{') + value.replace(QLatin1Char('}'), QStringLiteral("}}")) + QLatin1Char('}');
}

} // namespace

// The Access driver shares the file with its writer through Access's own locks and waits on them.
void setAccessReadAttempts(int, int)
{
}

std::unique_ptr<IssuingEngine> makeAccessEngine(const QString& nativePath, const QString& password)
{
    QtSqlIssuingEngine::Settings settings;
    settings.driver = QStringLiteral("QODBC");
    settings.databaseName = QStringLiteral("DRIVER={%1};DBQ=%2;UID=Admin;PWD=%3")
                                .arg(kAccessOdbcDriver, braced(nativePath), braced(password));
    settings.connectOptions = QStringLiteral("SQL_ATTR_ACCESS_MODE=SQL_MODE_READ_ONLY;SQL_ATTR_LOGIN_TIMEOUT=30");
    settings.missingDriver = StoreTexts::NoAccessOdbcDriver.arg(nativePath, QStringLiteral("QODBC"));
    settings.describeFailure = [nativePath](const QString& why) {
        // IM002: Windows' driver manager knows no driver of that name; unixODBC (also behind wine)
        // says it cannot open the driver's library.
        const bool missing = why.contains(QLatin1String("IM002")) ||
                             (why.contains(QLatin1String("Can't open lib")) && why.contains(kAccessOdbcDriver));
        return missing ? missingDriver(nativePath) : StoreTexts::AccessOpenFailed.arg(nativePath, why);
    };
    return std::make_unique<QtSqlIssuingEngine>(std::move(settings));
}

} // namespace corvina
