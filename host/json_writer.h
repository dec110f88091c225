/* JSON for scripts (the --json of info, profiles and formats): one document, indented,
 * written as it goes. */
#ifndef QV_HOST_JSON_WRITER_H
#define QV_HOST_JSON_WRITER_H

#include <cstdio>
#include <string>
#include <vector>

namespace qvhost {

/* `key` names the member inside an object; inside an array, and for the document
 * itself, it is null. */
class JsonWriter {
 public:
  explicit JsonWriter(FILE *out) : out_(out) {}

  void BeginObject(const char *key = nullptr) { Open(key, '{'); }
  void EndObject() { Close('}'); }
  void BeginArray(const char *key = nullptr) { Open(key, '['); }
  void EndArray() { Close(']'); }

  void String(const char *key, const std::string &value);
  void Integer(const char *key, long long value);
  void Real(const char *key, double value);  // null when not finite
  void Bool(const char *key, bool value);
  void Null(const char *key);

 private:
  void Member(const char *key);  // the separator, the indent and the key
  void Open(const char *key, char bracket);
  void Close(char bracket);

  FILE *out_;
  std::vector<bool> empty_;  // for each open object or array: nothing in it yet
};

/* `text` as a JSON string with its quotes. Bytes that are not UTF-8 become U+FFFD, so
 * that the document stays valid whatever a file name holds. */
std::string JsonQuoted(const std::string &text);

}  // namespace qvhost

#endif
