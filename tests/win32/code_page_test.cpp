// Code-page conversion. The UTF-8 cases run against Windows too (under wine64);
// CP_ACP is UTF-8 only in the stand-in.
#include <gtest/gtest.h>

#include <string>

#include "win32.h"

namespace {

std::u16string ToWide(UINT codePage, const std::string &text, DWORD flags = 0) {
  int needed = MultiByteToWideChar(codePage, flags, text.data(), (int)text.size(), nullptr, 0);
  std::u16string wide((size_t)needed, u'\0');
  if (needed > 0)
    MultiByteToWideChar(codePage, flags, text.data(), (int)text.size(), reinterpret_cast<LPWSTR>(&wide[0]), needed);
  return wide;
}

std::string ToNarrow(UINT codePage, const std::u16string &wide, DWORD flags = 0) {
  LPCWSTR source = reinterpret_cast<LPCWSTR>(wide.data());
  int needed = WideCharToMultiByte(codePage, flags, source, (int)wide.size(), nullptr, 0, nullptr, nullptr);
  std::string text((size_t)needed, '\0');
  if (needed > 0) WideCharToMultiByte(codePage, flags, source, (int)wide.size(), &text[0], needed, nullptr, nullptr);
  return text;
}

const std::string kMixed = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xAC";  // a, e acute, euro, clapper board
const std::u16string kMixedWide = u"a\u00E9\u20AC\U0001F3AC";

TEST(CodePage, Utf8RoundTripsThroughSurrogatePairs) {
  EXPECT_EQ(ToWide(CP_UTF8, kMixed), kMixedWide);
  EXPECT_EQ(kMixedWide.size(), 5u);
  EXPECT_EQ(ToNarrow(CP_UTF8, kMixedWide), kMixed);
  EXPECT_EQ(ToWide(CP_UTF8, "C:\\clips\\take 1.wmv"), u"C:\\clips\\take 1.wmv");
}

TEST(CodePage, MinusOneLengthConvertsTheTerminatingZeroToo) {
  WCHAR wide[16];
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, nullptr, 0), 4);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, wide, 16), 4);
  EXPECT_EQ(wide[3], 0);
  char text[16];
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, 16, nullptr, nullptr), 4);
  EXPECT_STREQ(text, "abc");
}

TEST(CodePage, TooSmallOutputFailsWithInsufficientBuffer) {
  WCHAR wide[2];
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, wide, 2), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  char text[3];
  const WCHAR euro[] = {0x20AC, 0};
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, euro, -1, text, 3, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
}

TEST(CodePage, MalformedInputIsReplacedOrRefusedOnRequest) {
  std::u16string replaced = ToWide(CP_UTF8, "a\xFF" "b");
  ASSERT_EQ(replaced.size(), 3u);
  EXPECT_EQ(replaced[0], u'a');
  EXPECT_EQ(replaced[1], u'\uFFFD');
  EXPECT_EQ(replaced[2], u'b');
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF" "b", 3, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_UNICODE_TRANSLATION);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xC0\xAF", 2, nullptr, 0), 0)
      << "an overlong form is malformed";

  const std::u16string loneSurrogate = {u'x', (char16_t)0xD800, u'y'};
  EXPECT_EQ(ToNarrow(CP_UTF8, loneSurrogate), "x\xEF\xBF\xBDy");
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, reinterpret_cast<LPCWSTR>(loneSurrogate.data()), 3,
                                nullptr, 0, nullptr, nullptr),
            0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_UNICODE_TRANSLATION);
}

TEST(CodePage, BadArgumentsAreRefused) {
  WCHAR wide[4];
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, nullptr, 3, wide, 4), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 0, wide, 4), 0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, nullptr, 1, nullptr, 0, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

#ifndef _WIN32
TEST(CodePageStandIn, AnsiCodePageIsUtf8) {
  EXPECT_EQ(GetACP(), (UINT)CP_UTF8);
  EXPECT_EQ(ToWide(CP_ACP, kMixed), kMixedWide);
  EXPECT_EQ(ToNarrow(CP_ACP, kMixedWide), kMixed);
  BOOL used = TRUE;
  const WCHAR plain[] = {'o', 'k'};
  char text[4];
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, plain, 2, text, 4, nullptr, &used), 2);
  EXPECT_FALSE(used);
  const WCHAR lone[] = {0xDC00};
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, lone, 1, text, 4, nullptr, &used), 3);
  EXPECT_TRUE(used);
  EXPECT_EQ(MultiByteToWideChar(12345, 0, "a", 1, nullptr, 0), 0) << "other code pages are not offered";
  // As Windows documents it (Wine is laxer): UTF-8 takes no default character.
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, plain, 2, nullptr, 0, nullptr, &used), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}
#endif

}  // namespace
