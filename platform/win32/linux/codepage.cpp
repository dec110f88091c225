// UTF-8 <-> UTF-16 with the Windows conversion calls' rules for lengths, output
// sizes and malformed input.
#include "win32.h"

#include <string>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsUtf8CodePage(UINT codePage) {
  return codePage == CP_ACP || codePage == CP_OEMCP || codePage == CP_THREAD_ACP || codePage == CP_UTF8;
}

// Decodes one character at text[i] (end = one past the input); returns false for a
// malformed sequence, consuming its maximal valid prefix (at least one byte).
bool DecodeUtf8(const unsigned char *text, size_t end, size_t *i, char32_t *out) {
  unsigned char lead = text[*i];
  if (lead < 0x80) {
    *out = lead;
    ++*i;
    return true;
  }
  int extra;
  char32_t code, minimum;
  unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1, code = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2, code = lead & 0x0F, minimum = 0x800;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3, code = lead & 0x07, minimum = 0x10000;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    ++*i;
    return false;
  }
  size_t at = *i + 1;
  for (int k = 0; k < extra; ++k, ++at) {
    unsigned char b = at < end ? text[at] : 0;
    bool ok = at < end && (k == 0 ? (b >= low && b <= high) : (b >= 0x80 && b <= 0xBF));
    if (!ok) {
      *i = at;
      return false;
    }
    code = (code << 6) | (b & 0x3F);
  }
  *i = at;
  *out = code;
  return code >= minimum;
}

}  // namespace

extern "C" UINT WINAPI GetACP(void) { return CP_UTF8; }

extern "C" int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int textLength, LPWSTR wide,
                                          int wideLength) {
  if (!IsUtf8CodePage(codePage)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (flags & ~(DWORD)(MB_PRECOMPOSED | MB_ERR_INVALID_CHARS)) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  if (!text || textLength == 0 || textLength < -1 || wideLength < 0 || (wideLength > 0 && !wide) ||
      (wide && (const void *)wide == (const void *)text)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const unsigned char *bytes = reinterpret_cast<const unsigned char *>(text);
  size_t end = textLength == -1 ? strlen(text) + 1 : (size_t)textLength;
  size_t i = 0;
  int written = 0;
  while (i < end) {
    char32_t code;
    if (!DecodeUtf8(bytes, end, &i, &code)) {
      if (flags & MB_ERR_INVALID_CHARS) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
      }
      code = kReplacement;
    }
    int units = code >= 0x10000 ? 2 : 1;
    if (wideLength > 0) {
      if (written + units > wideLength) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
      }
      if (units == 2) {
        wide[written] = (WCHAR)(0xD800 + ((code - 0x10000) >> 10));
        wide[written + 1] = (WCHAR)(0xDC00 + ((code - 0x10000) & 0x3FF));
      } else {
        wide[written] = (WCHAR)code;
      }
    }
    written += units;
  }
  return written;
}

extern "C" int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR text,
                                          int textLength, LPCSTR defaultChar, LPBOOL usedDefault) {
  if (!IsUtf8CodePage(codePage)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (codePage == CP_UTF8 && (defaultChar || usedDefault)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (flags & ~(DWORD)(WC_ERR_INVALID_CHARS | WC_NO_BEST_FIT_CHARS | WC_COMPOSITECHECK | WC_DEFAULTCHAR)) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  if (!wide || wideLength == 0 || wideLength < -1 || textLength < 0 || (textLength > 0 && !text) ||
      (text && (const void *)wide == (const void *)text)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t end = 0;
  if (wideLength == -1) {
    while (wide[end]) ++end;
    ++end;  // the terminating zero is converted too
  } else {
    end = (size_t)wideLength;
  }
  bool replaced = false;
  int written = 0;
  for (size_t i = 0; i < end; ++i) {
    char32_t code = wide[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < end && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      if (flags & WC_ERR_INVALID_CHARS) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
      }
      code = kReplacement;
      replaced = true;
    }
    char encoded[4];
    int length;
    if (code < 0x80) {
      encoded[0] = (char)code, length = 1;
    } else if (code < 0x800) {
      encoded[0] = (char)(0xC0 | (code >> 6)), encoded[1] = (char)(0x80 | (code & 0x3F)), length = 2;
    } else if (code < 0x10000) {
      encoded[0] = (char)(0xE0 | (code >> 12)), encoded[1] = (char)(0x80 | ((code >> 6) & 0x3F));
      encoded[2] = (char)(0x80 | (code & 0x3F)), length = 3;
    } else {
      encoded[0] = (char)(0xF0 | (code >> 18)), encoded[1] = (char)(0x80 | ((code >> 12) & 0x3F));
      encoded[2] = (char)(0x80 | ((code >> 6) & 0x3F)), encoded[3] = (char)(0x80 | (code & 0x3F)), length = 4;
    }
    if (textLength > 0) {
      if (written + length > textLength) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
      }
      memcpy(text + written, encoded, (size_t)length);
    }
    written += length;
  }
  if (usedDefault) *usedDefault = replaced ? TRUE : FALSE;
  return written;
}
