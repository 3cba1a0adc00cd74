#include "store/ServerAddress.h"

#include "store/Texts.h"

#include <QUrl>

namespace corvina {

namespace {

const QString kSchemes[] = {QStringLiteral("postgresql://"), QStringLiteral("postgres://")};

QString decoded(QStringView raw)
{
    return QUrl::fromPercentEncoding(raw.toUtf8());
}

// libpq's quoting of a value in a key='value' connection string.
QString quoted(QString value)
{
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    value.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

bool isKey(const QString& key)
{
    if (key.isEmpty())
        return false;
    for (QChar c : key)
        if (!(c.isLower() && c.unicode() < 128) && c != QLatin1Char('_'))
            return false;
    return true;
}

// Bounds that keep a desk from hanging on a server that is gone: the connection attempt, and a
// connection that stops answering during a statement (probes after 30 s of silence, every 10 s,
// three times; unacknowledged data for 30 s).
const QPair<QString, QString> kDefaults[] = {
    {QStringLiteral("connect_timeout"), QString::number(ServerAddress::kConnectTimeoutSeconds)},
    {QStringLiteral("keepalives_idle"), QStringLiteral("30")},
    {QStringLiteral("keepalives_interval"), QStringLiteral("10")},
    {QStringLiteral("keepalives_count"), QStringLiteral("3")},
    {QStringLiteral("tcp_user_timeout"), QStringLiteral("30000")},
    {QStringLiteral("application_name"), QStringLiteral("corvina")},
};

} // namespace

bool ServerAddress::isServerAddress(const QString& location)
{
    // No file path holds "://": any such text is an address, and one of another kind is refused
    // rather than taken for a file name (which messages would show, password and all).
    return location.contains(QStringLiteral("://"));
}

bool ServerAddress::parse(const QString& address, ServerAddress* out, QString* reason)
{
    *out = ServerAddress();
    const QString text = address.trimmed();
    QStringView rest;
    QString scheme;
    for (const QString& s : kSchemes)
        if (text.startsWith(s, Qt::CaseInsensitive)) {
            scheme = s;
            rest = QStringView(text).mid(s.size());
        }
    if (scheme.isEmpty()) {
        *reason = StoreTexts::NotAServerAddress;
        return false;
    }

    // As libpq reads it: user information ends at the first "@" or "/", whichever comes first.
    qsizetype p = 0;
    while (p < rest.size() && rest[p] != QLatin1Char('@') && rest[p] != QLatin1Char('/'))
        ++p;
    QString shownUser;
    if (p < rest.size() && rest[p] == QLatin1Char('@')) {
        const QStringView userInfo = rest.left(p);
        const qsizetype colon = userInfo.indexOf(QLatin1Char(':'));
        out->user = decoded(colon < 0 ? userInfo : userInfo.left(colon));
        if (colon >= 0)
            out->password = decoded(userInfo.mid(colon + 1));
        shownUser = (colon < 0 ? userInfo : userInfo.left(colon)).toString() + QLatin1Char('@');
        rest = rest.mid(p + 1);
    }
    // A second "@", or one after a "/", means a user name or password holding "@" or "/" not
    // written as %40 or %2F: what would be read as host, database or parameters holds part of
    // the password.
    if (rest.contains(QLatin1Char('@'))) {
        *reason = StoreTexts::UnescapedCredentials;
        return false;
    }
    QStringView query;
    if (const qsizetype q = rest.indexOf(QLatin1Char('?')); q >= 0) {
        query = rest.mid(q + 1);
        rest = rest.left(q);
    }
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    const QStringView hostSpec = slash < 0 ? rest : rest.left(slash);
    const QStringView databasePart = slash < 0 ? QStringView() : rest.mid(slash + 1);
    out->database = decoded(databasePart);

    QStringList hosts, ports;
    bool anyPort = false;
    if (!hostSpec.isEmpty()) {
        for (QStringView entry : hostSpec.split(QLatin1Char(','))) {
            QStringView host = entry, port;
            if (entry.startsWith(QLatin1Char('['))) {
                const qsizetype close = entry.indexOf(QLatin1Char(']'));
                if (close < 0) {
                    *reason = StoreTexts::BadServerHost;
                    return false;
                }
                host = entry.mid(1, close - 1);
                const QStringView after = entry.mid(close + 1);
                if (after.startsWith(QLatin1Char(':')))
                    port = after.mid(1);
                else if (!after.isEmpty()) {
                    *reason = StoreTexts::BadServerHost;
                    return false;
                }
            } else if (const qsizetype colon = entry.indexOf(QLatin1Char(':')); colon >= 0) {
                host = entry.left(colon);
                port = entry.mid(colon + 1);
            }
            bool numeric = true;
            for (QChar c : port)
                numeric = numeric && c.isDigit() && c.unicode() < 128;
            if (!numeric || (!port.isEmpty() && port.toInt() > 65535)) {
                *reason = StoreTexts::BadServerPort;
                return false;
            }
            hosts << decoded(host);
            ports << port.toString();
            anyPort = anyPort || !port.isEmpty();
        }
    }
    out->host = hosts.join(QLatin1Char(','));
    if (anyPort)
        out->m_port = ports.join(QLatin1Char(','));

    QStringList shownParameters;
    if (!query.isEmpty()) {
        for (QStringView pair : query.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
            const qsizetype eq = pair.indexOf(QLatin1Char('='));
            const QString key = decoded(eq < 0 ? pair : pair.left(eq));
            const QString value = eq < 0 ? QString() : decoded(pair.mid(eq + 1));
            if (!isKey(key) || eq < 0) {
                *reason = StoreTexts::BadServerParameter;
                return false;
            }
            if (key == QLatin1String("password")) {
                out->password = value;
                continue;
            }
            // The driver joins its options with ";" and reads ";" as a blank.
            if (value.contains(QLatin1Char(';'))) {
                *reason = StoreTexts::ServerParameterSemicolon.arg(key);
                return false;
            }
            out->m_parameters.append({key, value});
            shownParameters << pair.toString();
        }
    }
    out->m_shown = scheme + shownUser + hostSpec.toString() +
                   (slash < 0 ? QString() : QLatin1Char('/') + databasePart.toString()) +
                   (shownParameters.isEmpty() ? QString() : QLatin1Char('?') + shownParameters.join(QLatin1Char('&')));
    return true;
}

QString ServerAddress::connectOptions() const
{
    QStringList options;
    QStringList given;
    if (!m_port.isEmpty())
        options << QStringLiteral("port=") + quoted(m_port);
    for (const auto& [key, value] : m_parameters) {
        options << key + QLatin1Char('=') + quoted(value);
        given << key;
    }
    for (const auto& [key, value] : kDefaults)
        if (!given.contains(key))
            options << key + QLatin1Char('=') + quoted(value);
    return options.join(QLatin1Char(';'));
}

QString ServerAddress::shown() const
{
    return m_shown;
}

QString ServerAddress::withoutPassword(QString text) const
{
    // A very short password would blot out ordinary words; the server never echoes one anyway.
    if (password.size() >= 3)
        text.replace(password, QStringLiteral("***"));
    return text;
}

QString shownStoreLocation(const QString& location)
{
    if (!ServerAddress::isServerAddress(location))
        return location;
    ServerAddress address;
    QString reason;
    if (!ServerAddress::parse(location, &address, &reason))
        return StoreTexts::UnreadableServerAddress;
    return address.shown();
}

} // namespace corvina
