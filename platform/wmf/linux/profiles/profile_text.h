// The two-step text queries of the profile objects: with no buffer the caller learns
// the length (in characters, with the terminating zero); a buffer too small gets
// ASF_E_BUFFERTOOSMALL and the length needed.
#ifndef QV_WMF_PROFILE_TEXT_H
#define QV_WMF_PROFILE_TEXT_H

#include <limits>
#include <string>

#include "wmf.h"

namespace wmf {

template <class Count>
HRESULT CopyText(const std::u16string &text, WCHAR *buffer, Count *length) {
  if (!length) return E_POINTER;
  const size_t needed = text.size() + 1;
  if (needed > std::numeric_limits<Count>::max()) return E_UNEXPECTED;
  if (!buffer) {
    *length = static_cast<Count>(needed);
    return S_OK;
  }
  if (*length < needed) {
    *length = static_cast<Count>(needed);
    return ASF_E_BUFFERTOOSMALL;
  }
  text.copy(buffer, text.size());
  buffer[text.size()] = 0;
  *length = static_cast<Count>(needed);
  return S_OK;
}

// A zero-terminated wide string as an owned one; null gives an empty string.
inline std::u16string TextOf(const WCHAR *text) { return text ? std::u16string(text) : std::u16string(); }

}  // namespace wmf

#endif
