#pragma once
// Text between the program (UTF-8 std::string) and Qt (QString), the same in every window.

#include <QString>
#include <string>

namespace quill::gui {

inline QString Text(const std::string& text) {
  return QString::fromUtf8(text.c_str(), static_cast<int>(text.size()));
}

inline std::string Utf8(const QString& text) {
  return text.toUtf8().toStdString();
}

// Text for a box that shows lines: Qt breaks lines at LF alone.
inline QString WithoutCr(const std::string& text) {
  return Text(text).remove(QChar('\r'));
}

// A caption shown as it is written: "&" would otherwise mark a keyboard shortcut.
inline QString Caption(const char* text) {
  return QString::fromUtf8(text).replace("&", "&&");
}

}  // namespace quill::gui
