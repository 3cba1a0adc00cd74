#include "store/AccessEngine.h"

#include "store/QtSqlIssuingEngine.h"
#include "store/Texts.h"

namespace corvina {

namespace {

// The system's Access ODBC driver, by the name it is registered under.
const QString kAccessOdbcDriver = QStringLiteral("Microsoft Access Driver (*.mdb, *.accdb)");

// An ODBC connection-string value in braces, so that ";" in a path or password stays inside it.
QString braced(QString value)
{
    return QLatin1Char('{') + value.replace(QLatin1Char('}'), QStringLiteral("}}")) + QLatin1Char('}');
}

} // namespace

std::unique_ptr<IssuingEngine> makeAccessEngine(const QString& nativePath, const QString& password)
{
    QtSqlIssuingEngine::Settings settings;
    settings.driver = QStringLiteral("QODBC");
    settings.databaseName = QStringLiteral("DRIVER={%1};DBQ=%2;UID=Admin;PWD=%3")
                                .arg(kAccessOdbcDriver, braced(nativePath), braced(password));
    settings.connectOptions = QStringLiteral("SQL_ATTR_ACCESS_MODE=SQL_MODE_READ_ONLY;SQL_ATTR_LOGIN_TIMEOUT=30");
    settings.missingDriver = StoreTexts::NoAccessOdbcDriver.arg(nativePath, QStringLiteral("QODBC"));
    settings.describeFailure = [nativePath](const QString& why) {
        // IM002: the driver manager knows no driver of that name.
        return why.contains(QLatin1String("IM002")) ? StoreTexts::NoAccessOdbcDriver.arg(nativePath, kAccessOdbcDriver)
                                                    : StoreTexts::AccessOpenFailed.arg(nativePath, why);
    };
    return std::make_unique<QtSqlIssuingEngine>(std::move(settings));
}

} // namespace corvina
