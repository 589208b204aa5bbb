#pragma once

#include <QString>
#include <string>

namespace tarvo::ui {

// Between the engine's UTF-8 texts and the toolkit's strings.
inline QString qs(const std::string& text) { return QString::fromStdString(text); }
inline std::string ss(const QString& text) { return text.toStdString(); }

}  // namespace tarvo::ui
