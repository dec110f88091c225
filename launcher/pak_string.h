/* A small reference-counted byte string: copies share one block. The launcher keeps
 * its size down by using this instead of the C++ library's strings. */
#ifndef QV_LAUNCHER_PAK_STRING_H
#define QV_LAUNCHER_PAK_STRING_H

#include <stddef.h>

class PakString {
 public:
  PakString() : rep_(nullptr) {}
  PakString(const char *text, size_t length);
  explicit PakString(const char *text);
  PakString(const PakString &other);
  PakString &operator=(const PakString &other);
  ~PakString() { Release(); }

  const char *c_str() const { return rep_ ? rep_->text : ""; }
  size_t size() const { return rep_ ? rep_->size : 0; }
  bool empty() const { return size() == 0; }
  /* Byte-for-byte, case-sensitive search; an empty needle is never found. */
  bool Contains(const char *needle) const;
  bool operator==(const PakString &other) const;
  bool operator!=(const PakString &other) const { return !(*this == other); }
  /* True when both share the same block (for tests of the sharing). */
  bool SharesWith(const PakString &other) const { return rep_ && rep_ == other.rep_; }
  void Clear() { Release(); }

 private:
  struct Rep {
    size_t refs;
    size_t size;
    char text[1];
  };
  void Release();
  Rep *rep_;
};

/* The concatenation of two texts as a new string. */
PakString PakConcat(const char *a, const char *b);

#endif
