// The helpers host commands share: BMP files, number parsing, the progress line.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "files.h"
#include "host.h"
#include "json_writer.h"
#include "test_pattern.h"

namespace {

using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

std::string TempPath(const char *name) {
  static testsupport::TempFolder folder("qv-host-helpers");
  return folder / name;
}

// A 3 x 2 24-bit packed DIB: rows of 9 bytes padded to 12.
std::vector<BYTE> SmallDib() { return testsupport::NumberedDib(3, 2, 0); }

TEST(HostBmp, PackedDibRoundTripsBehindAFourteenByteHeader) {
  std::vector<BYTE> dib = SmallDib();
  std::string path = TempPath("round-trip.bmp"), error;
  ASSERT_TRUE(qvhost::WriteBmpFile(path, dib.data(), dib.size(), &error)) << error;
  std::vector<BYTE> file = ReadFileBytes(path);
  ASSERT_EQ(file.size(), 14 + dib.size());
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(file[2] | file[3] << 8, (int)file.size());
  EXPECT_EQ(file[10], 14 + 40) << "the rows follow the header directly";
  std::vector<BYTE> back;
  ASSERT_TRUE(qvhost::ReadBmpFile(path, &back, &error)) << error;
  EXPECT_EQ(back, dib);
}

TEST(HostBmp, ColourTablesCountTowardsThePixelOffset) {
  BITMAPINFOHEADER header = {};
  header.biSize = 40;
  header.biWidth = 5;
  header.biHeight = -3;
  header.biBitCount = 8;
  EXPECT_EQ(qvhost::PackedDibPixelOffset(header), 40u + 256 * 4);
  header.biClrUsed = 16;
  EXPECT_EQ(qvhost::PackedDibPixelOffset(header), 40u + 16 * 4);
  EXPECT_EQ(qvhost::PackedDibImageSize(header), 8u * 3) << "top-down rows count the same";
  header.biBitCount = 16;
  header.biClrUsed = 0;
  header.biCompression = BI_BITFIELDS;
  EXPECT_EQ(qvhost::PackedDibPixelOffset(header), 40u + 12);
  header.biWidth = 0x7FFFFFFF;
  header.biHeight = 0x7FFFFFFF;
  EXPECT_EQ(qvhost::PackedDibImageSize(header), 0u) << "sizes that do not fit are refused";
}

TEST(HostBmp, DamagedFilesAreRefused) {
  std::vector<BYTE> dib = SmallDib();
  std::string path = TempPath("damaged.bmp"), error;
  ASSERT_TRUE(qvhost::WriteBmpFile(path, dib.data(), dib.size(), &error));
  std::vector<BYTE> file = ReadFileBytes(path);
  std::vector<BYTE> out;

  std::vector<BYTE> truncated(file.begin(), file.end() - 1);
  WriteFileBytes(path, truncated);
  EXPECT_FALSE(qvhost::ReadBmpFile(path, &out, &error));

  std::vector<BYTE> wrongSignature = file;
  wrongSignature[0] = 'X';
  WriteFileBytes(path, wrongSignature);
  EXPECT_FALSE(qvhost::ReadBmpFile(path, &out, &error));

  std::vector<BYTE> gap = file;
  gap[10] = 14 + 44;  // rows not right after the header
  WriteFileBytes(path, gap);
  EXPECT_FALSE(qvhost::ReadBmpFile(path, &out, &error));

  EXPECT_FALSE(qvhost::ReadBmpFile(TempPath("no-such.bmp"), &out, &error));
  EXPECT_NE(error.find("no-such.bmp"), std::string::npos);
  EXPECT_FALSE(qvhost::WriteBmpFile(path, dib.data(), 20, &error)) << "shorter than its header";
}

TEST(HostArguments, ParseLongTakesWholeNumbersThatFit) {
  LONG value = 0;
  EXPECT_TRUE(qvhost::ParseLong("1234", &value));
  EXPECT_EQ(value, 1234);
  EXPECT_TRUE(qvhost::ParseLong("-2147483648", &value));
  EXPECT_EQ(value, INT32_MIN);
  value = 7;
  for (const char *bad : {"", "12x", " 12", "2147483648", "-2147483649", "0x10", "1e3"})
    EXPECT_FALSE(qvhost::ParseLong(bad, &value)) << bad;
  EXPECT_EQ(value, 7) << "a refused number leaves the value alone";
}

TEST(HostJson, StringsAreEscapedAndStayUtf8) {
  // Quotes, backslashes and control characters escaped; UTF-8 carried; other bytes
  // (a Latin-1 file name, a cut sequence, an overlong form) become U+FFFD.
  EXPECT_EQ(qvhost::JsonQuoted("a\"b\\c\n\t\x01\x7f \xc3\xa9 \xe9 \xc3 \xc0\xaf"),
            "\"a\\\"b\\\\c\\n\\t\\u0001\\u007f \xc3\xa9 \xef\xbf\xbd \xef\xbf\xbd \xef\xbf\xbd\xef\xbf\xbd\"");
}

TEST(HostProgress, OffATerminalNothingIsPrinted) {
  std::string path = TempPath("progress.txt");
  FILE *stream = std::fopen(path.c_str(), "wb+");  // binary: no CRLF on Windows
  ASSERT_NE(stream, nullptr);
  {
    qvhost::ProgressLine progress(stream, "frames");
    for (long i = 1; i <= 50; ++i) progress.Update(i, 50);
  }
  std::fclose(stream);
  std::vector<BYTE> bytes = ReadFileBytes(path);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "") << "a pipe or a file gets no progress lines";
}

}  // namespace
