#pragma once

#include <QString>

// Texts of the message boxes and the terminal, shared by every folder above.
namespace corvina::AppTexts {

// Message box titles by kind.
inline const QString WarningTitle = QStringLiteral("警告");
inline const QString ErrorTitle = QStringLiteral("错误");
inline const QString InformationTitle = QStringLiteral("提示");

// The terminal's answer prompts of a question.
inline const QString AnswerYesNo = QStringLiteral("(y = 是 / n = 否) ");
inline const QString AnswerYesNoCancel = QStringLiteral("(y = 是 / n = 否 / c = 取消) ");

// Between the items of a list in a message ("a、b、c").
inline const QString ListSeparator = QStringLiteral("、");

} // namespace corvina::AppTexts
