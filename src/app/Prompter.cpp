#include "app/Prompter.h"

namespace corvina {

QString messageBoxTitle(MessageBoxKind kind)
{
    switch (kind) {
    case MessageBoxKind::Warning:
        return QStringLiteral("警告");
    case MessageBoxKind::Error:
        return QStringLiteral("错误");
    default:
        return QStringLiteral("提示");
    }
}

int ShowMessageBox(Prompter& prompter, BoxOwner owner, const QString& text, int kind)
{
    if (kind < static_cast<int>(MessageBoxKind::Info) || kind > static_cast<int>(MessageBoxKind::YesNoCancel))
        return 0;
    return prompter.showBox(owner, text, static_cast<MessageBoxKind>(kind));
}

} // namespace corvina
