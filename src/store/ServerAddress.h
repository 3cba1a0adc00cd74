#pragma once

#include <QList>
#include <QPair>
#include <QString>

namespace corvina {

// A shared store on a PostgreSQL server, named by an address of the form
//   postgresql://[user[:password]@][host[:port][,host[:port]...]][/database][?key=value&...]
// as libpq reads it. The parameters (sslmode, service, connect_timeout, ...) go to libpq as they
// stand, so its password file, service file and environment work as for any of its programs.
// The password never leaves this class except towards the driver.
class ServerAddress {
public:
    // True for a text written as an address ("scheme://..."): a server's ("postgresql://" or
    // "postgres://"), or one parse() refuses.
    static bool isServerAddress(const QString& location);
    // Parses an address; false with a reason that never holds the password.
    static bool parse(const QString& address, ServerAddress* out, QString* reason);

    QString host;     // as libpq takes it: one host or a comma-separated list; empty for its default
    QString database; // empty for libpq's default
    QString user;     // empty for libpq's default
    QString password; // empty: libpq's password file, or no password

    // Everything else, for the driver's connection options in libpq's key='value' form: the
    // ports, the address's parameters, and bounded timeouts where the address sets none.
    QString connectOptions() const;
    // The address as shown in messages and logs: as given, without its password.
    QString shown() const;
    // A text from the server or the driver, with the password blotted out should it appear there.
    QString withoutPassword(QString text) const;

    // The seconds a connection attempt may take when the address does not say.
    static constexpr int kConnectTimeoutSeconds = 10;

private:
    QString m_port; // comma-separated, one per host (empty entries: the default port)
    QList<QPair<QString, QString>> m_parameters;
    QString m_shown;
};

// A store location as shown to the clerk: a file path as it is, a server address without its
// password.
QString shownStoreLocation(const QString& location);

} // namespace corvina
