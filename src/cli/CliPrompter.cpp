#include "cli/CliPrompter.h"

#include "app/Texts.h"

#include <QByteArray>
#include <unistd.h>

namespace corvina {

CliPrompter::CliPrompter(bool assumeYes, std::FILE* err, std::FILE* in) : m_assumeYes(assumeYes), m_err(err), m_in(in)
{
}

void CliPrompter::print(const QString& title, const QString& text)
{
    if (m_beforePrint)
        m_beforePrint();
    const QByteArray line = (QLatin1Char('[') + title + QStringLiteral("] ") + text + QLatin1Char('\n')).toUtf8();
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), m_err);
    std::fflush(m_err);
}

int CliPrompter::ask(bool withCancel)
{
    int answer = ButtonCode::No;
    if (m_assumeYes) {
        answer = ButtonCode::Yes;
    } else if (m_in && isatty(fileno(m_in))) {
        const QByteArray prompt = (withCancel ? AppTexts::AnswerYesNoCancel : AppTexts::AnswerYesNo).toUtf8();
        std::fputs(prompt.constData(), m_err);
        std::fflush(m_err);
        char buf[64] = {};
        if (std::fgets(buf, sizeof buf, m_in)) {
            const char c = buf[0] | 0x20;
            if (c == 'y')
                answer = ButtonCode::Yes;
            else if (withCancel && c == 'c')
                answer = ButtonCode::Cancel;
        }
    }
    m_refused = answer != ButtonCode::Yes;
    return answer;
}

int CliPrompter::showBox(BoxOwner, const QString& text, MessageBoxKind kind)
{
    QMutexLocker lock(&m_mutex);
    print(messageBoxTitle(kind), text);
    if (kind == MessageBoxKind::YesNo || kind == MessageBoxKind::YesNoCancel)
        return ask(kind == MessageBoxKind::YesNoCancel);
    return ButtonCode::Ok;
}

void CliPrompter::showPlain(const QString& text)
{
    QMutexLocker lock(&m_mutex);
    print(QStringLiteral("Corvina"), text);
}

int CliPrompter::askPlain(const QString& title, const QString& text)
{
    QMutexLocker lock(&m_mutex);
    print(title, text);
    return ask(false);
}

std::optional<QString> CliPrompter::chooseOpenFile(const QString&)
{
    return std::nullopt; // commands take their files as arguments
}

std::optional<QString> CliPrompter::chooseSaveFile(const SaveDialogRequest&)
{
    return std::nullopt;
}

} // namespace corvina
