#include "pak_string.h"
#include "pak_memory.h"

#include <string.h>

PakString::PakString(const char *text, size_t length) : rep_(nullptr) {
  if (length == 0) return;
  rep_ = static_cast<Rep *>(PakAlloc(sizeof(Rep) + length));
  rep_->refs = 1;
  rep_->size = length;
  memcpy(rep_->text, text, length);
  rep_->text[length] = '\0';
}

PakString::PakString(const char *text) : PakString(text, text ? strlen(text) : 0) {}

PakString::PakString(const PakString &other) : rep_(other.rep_) {
  if (rep_) rep_->refs++;
}

PakString &PakString::operator=(const PakString &other) {
  if (other.rep_) other.rep_->refs++;
  Release();
  rep_ = other.rep_;
  return *this;
}

void PakString::Release() {
  if (rep_ && --rep_->refs == 0) PakFree(rep_);
  rep_ = nullptr;
}

bool PakString::Contains(const char *needle) const {
  size_t length = needle ? strlen(needle) : 0;
  if (length == 0 || length > size()) return false;
  for (size_t at = 0; at + length <= size(); at++)
    if (memcmp(rep_->text + at, needle, length) == 0) return true;
  return false;
}

bool PakString::operator==(const PakString &other) const {
  return size() == other.size() && memcmp(c_str(), other.c_str(), size()) == 0;
}

PakString PakConcat(const char *a, const char *b) {
  size_t la = strlen(a), lb = strlen(b);
  char *joined = static_cast<char *>(PakAlloc(la + lb + 1));
  memcpy(joined, a, la);
  memcpy(joined + la, b, lb + 1);
  PakString result(joined, la + lb);
  PakFree(joined);
  return result;
}
