#pragma once

#include <QString>

namespace corvina::PrintSettingsTexts {

inline const QString kLoadFailed = QStringLiteral("装载XML文件失败!");
inline const QString kNoRoot = QStringLiteral("结果文件中不存在子节点[kpkz]");

} // namespace corvina::PrintSettingsTexts
