// JSON for scripts: members written as they come, two spaces an indent.
#include "json_writer.h"

#include <cmath>

namespace qvhost {
namespace {

// The length of the UTF-8 sequence at `text[i]`, or 0 when it is not a valid one
// (overlong forms, surrogates and code points past U+10FFFF are not).
size_t Utf8Length(const std::string &text, size_t i) {
  unsigned char c = static_cast<unsigned char>(text[i]);
  size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (length == 0 || i + length > text.size()) return 0;
  unsigned long code = length == 1 ? c : c & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    unsigned char next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    code = code << 6 | (next & 0x3F);
  }
  static const unsigned long kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string JsonQuoted(const std::string &text) {
  std::string quoted = "\"";
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t length = Utf8Length(text, i);
    if (length == 0) {
      quoted += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += static_cast<char>(c);
    } else if (c == '\n') {
      quoted += "\\n";
    } else if (c == '\t') {
      quoted += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      quoted += escape;
    } else {
      quoted.append(text, i, length);
    }
    i += length;
  }
  return quoted + "\"";
}

void JsonWriter::Member(const char *key) {
  if (!empty_.empty()) {
    std::fputs(empty_.back() ? "\n" : ",\n", out_);
    empty_.back() = false;
    std::fprintf(out_, "%*s", static_cast<int>(2 * empty_.size()), "");
  }
  if (key) std::fprintf(out_, "%s: ", JsonQuoted(key).c_str());
}

void JsonWriter::Open(const char *key, char bracket) {
  Member(key);
  std::fputc(bracket, out_);
  empty_.push_back(true);
}

void JsonWriter::Close(char bracket) {
  bool wasEmpty = empty_.back();
  empty_.pop_back();
  if (!wasEmpty) std::fprintf(out_, "\n%*s", static_cast<int>(2 * empty_.size()), "");
  std::fputc(bracket, out_);
  if (empty_.empty()) std::fputc('\n', out_);
}

void JsonWriter::String(const char *key, const std::string &value) {
  Member(key);
  std::fputs(JsonQuoted(value).c_str(), out_);
}

void JsonWriter::Integer(const char *key, long long value) {
  Member(key);
  std::fprintf(out_, "%lld", value);
}

void JsonWriter::Real(const char *key, double value) {
  if (!std::isfinite(value)) return Null(key);
  Member(key);
  std::fprintf(out_, "%.10g", value);
}

void JsonWriter::Bool(const char *key, bool value) {
  Member(key);
  std::fputs(value ? "true" : "false", out_);
}

void JsonWriter::Null(const char *key) {
  Member(key);
  std::fputs("null", out_);
}

}  // namespace qvhost
