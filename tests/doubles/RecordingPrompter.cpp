#include "doubles/RecordingPrompter.h"

namespace corvina {

int RecordingPrompter::nextAnswer()
{
    if (m_answers.empty())
        return m_defaultAnswer;
    const int code = m_answers.front();
    m_answers.pop_front();
    return code;
}

int RecordingPrompter::showBox(BoxOwner owner, const QString& text, MessageBoxKind kind)
{
    QMutexLocker lock(&m_mutex);
    m_shown.append({Type::Box, kind, owner, messageBoxTitle(kind), text});
    if (kind == MessageBoxKind::YesNo || kind == MessageBoxKind::YesNoCancel)
        return nextAnswer();
    return ButtonCode::Ok;
}

void RecordingPrompter::showPlain(const QString& text)
{
    QMutexLocker lock(&m_mutex);
    m_shown.append({Type::Plain, MessageBoxKind::Info, BoxOwner::Application, QString(), text});
}

int RecordingPrompter::askPlain(const QString& title, const QString& text)
{
    QMutexLocker lock(&m_mutex);
    m_shown.append({Type::AskPlain, MessageBoxKind::YesNo, BoxOwner::Application, title, text});
    return nextAnswer();
}

std::optional<QString> RecordingPrompter::chooseOpenFile(const QString& filter)
{
    QMutexLocker lock(&m_mutex);
    m_shown.append({Type::OpenDialog, MessageBoxKind::Info, BoxOwner::MainWindow, QString(), filter});
    m_lastOpenFilter = filter;
    if (m_files.empty())
        return std::nullopt;
    QString path = m_files.front();
    m_files.pop_front();
    return path;
}

std::optional<QString> RecordingPrompter::chooseSaveFile(const SaveDialogRequest& request)
{
    QMutexLocker lock(&m_mutex);
    m_shown.append({Type::SaveDialog, MessageBoxKind::Info, BoxOwner::MainWindow, QString(), request.proposedName});
    m_lastSave = request;
    if (m_files.empty())
        return std::nullopt;
    QString path = m_files.front();
    m_files.pop_front();
    return path;
}

void RecordingPrompter::queueAnswer(int code)
{
    QMutexLocker lock(&m_mutex);
    m_answers.push_back(code);
}

void RecordingPrompter::setDefaultAnswer(int code)
{
    QMutexLocker lock(&m_mutex);
    m_defaultAnswer = code;
}

void RecordingPrompter::queueFile(const QString& path)
{
    QMutexLocker lock(&m_mutex);
    m_files.push_back(path);
}

QList<RecordingPrompter::Shown> RecordingPrompter::shown() const
{
    QMutexLocker lock(&m_mutex);
    return m_shown;
}

QStringList RecordingPrompter::texts() const
{
    QMutexLocker lock(&m_mutex);
    QStringList out;
    for (const Shown& s : m_shown)
        if (s.type == Type::Box || s.type == Type::Plain || s.type == Type::AskPlain)
            out << s.text;
    return out;
}

SaveDialogRequest RecordingPrompter::lastSaveRequest() const
{
    QMutexLocker lock(&m_mutex);
    return m_lastSave;
}

QString RecordingPrompter::lastOpenFilter() const
{
    QMutexLocker lock(&m_mutex);
    return m_lastOpenFilter;
}

void RecordingPrompter::clear()
{
    QMutexLocker lock(&m_mutex);
    m_shown.clear();
}

} // namespace corvina
