#pragma once
// The little JSON that quillstow-cli writes for scripts (--json): objects, arrays, text,
// numbers and truth values, written as they are given.

#include <cstdint>
#include <cstdio>
#include <string>

namespace quill::cli {

// A JSON string: the text (UTF-8) in quotes, with quotes, backslashes and control characters
// escaped.
inline std::string JsonText(const std::string& text) {
  std::string json = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        json += "\\\"";
        break;
      case '\\':
        json += "\\\\";
        break;
      case '\n':
        json += "\\n";
        break;
      case '\r':
        json += "\\r";
        break;
      case '\t':
        json += "\\t";
        break;
      default:
        if (byte < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
          json += escaped;
        } else {
          json += c;
        }
    }
  }
  return json + "\"";
}

// Builds one JSON value: Open/Close objects and arrays, Key before each member's value.
class JsonWriter {
 public:
  JsonWriter& Open(char bracket) {
    Comma();
    json_ += bracket;
    first_ = true;
    return *this;
  }
  JsonWriter& Close(char bracket) {
    json_ += bracket;
    first_ = false;
    return *this;
  }
  JsonWriter& Key(const std::string& name) {
    Comma();
    json_ += JsonText(name) + ":";
    first_ = true;
    return *this;
  }
  JsonWriter& Text(const std::string& text) { return Raw(JsonText(text)); }
  JsonWriter& Number(std::uint64_t number) { return Raw(std::to_string(number)); }
  JsonWriter& Truth(bool truth) { return Raw(truth ? "true" : "false"); }
  JsonWriter& Null() { return Raw("null"); }
  const std::string& json() const { return json_; }

 private:
  JsonWriter& Raw(const std::string& value) {
    Comma();
    json_ += value;
    first_ = false;
    return *this;
  }
  void Comma() {
    if (!first_) json_ += ',';
    first_ = false;
  }

  std::string json_;
  bool first_ = true;
};

}  // namespace quill::cli
