#include "app/Prompter.h"

#include "app/Texts.h"

namespace corvina {

QString messageBoxTitle(MessageBoxKind kind)
{
    switch (kind) {
    case MessageBoxKind::Warning:
        return AppTexts::WarningTitle;
    case MessageBoxKind::Error:
        return AppTexts::ErrorTitle;
    default:
        return AppTexts::InformationTitle;
    }
}

int ShowMessageBox(Prompter& prompter, BoxOwner owner, const QString& text, int kind)
{
    if (kind < static_cast<int>(MessageBoxKind::Info) || kind > static_cast<int>(MessageBoxKind::YesNoCancel))
        return 0;
    return prompter.showBox(owner, text, static_cast<MessageBoxKind>(kind));
}

} // namespace corvina
