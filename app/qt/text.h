#pragma once
// The cores speak UTF-8 std::string; Qt speaks QString.
#include <QString>
#include <string>

namespace tarvel::app {

inline QString qs(const std::string& text) { return QString::fromStdString(text); }
inline std::string ss(const QString& text) { return text.toStdString(); }

}  // namespace tarvel::app
