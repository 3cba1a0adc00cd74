#include "store/IssuingDatabase.h"

#include "app/Failure.h"
#include "app/Paths.h"
#include "app/Prompter.h"
#include "store/SqlConnection.h"
#include "store/Texts.h"

namespace corvina {

IssuingDatabase::IssuingDatabase(QString path, Prompter& prompter)
    : m_db(std::make_unique<SqlConnection>(nativePath(path), SqlConnection::Options{true, false, QString()})),
      m_prompter(prompter)
{
}

IssuingDatabase::~IssuingDatabase() = default;

QString IssuingDatabase::path() const
{
    return m_db->path();
}

bool IssuingDatabase::open()
{
    QString reason;
    if (m_db->open(&reason))
        return true;
    ShowMessageBox(m_prompter, BoxOwner::Application, StoreTexts::ConnectionError + reason, MessageBoxKind::Error);
    return false;
}

bool IssuingDatabase::isOpen() const
{
    return m_db->isOpen();
}

void IssuingDatabase::close()
{
    m_db->close();
}

bool IssuingDatabase::reopenQuietly(QString* reason)
{
    m_db->close();
    QString why;
    const bool opened = m_db->open(&why);
    if (reason)
        *reason = why;
    return opened;
}

std::optional<Rows> IssuingDatabase::select(const SqlStatement& statement)
{
    if (!isOpen() && !open())
        return std::nullopt;
    return m_db->select(statement);
}

} // namespace corvina
