// The archive's entry list: header decoding, the search by name and the search by
// complete header, over archive files written byte by byte.
#include "win32.h"
#include "pak_archive.h"
#include "archive_bytes.h"
#include "files.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class ArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override { SetPakOffset(0); }
  void TearDown() override {
    if (file_ != HFILE_ERROR) ClosePak(file_);
  }
  // Writes `bytes` after `offset` filler bytes and opens the result.
  HFILE Open(const std::vector<uint8_t> &bytes, int32_t offset = 0) {
    std::vector<uint8_t> contents(offset, 0xCC);
    contents.insert(contents.end(), bytes.begin(), bytes.end());
    WriteFileBytes(dir_ / "setup", contents);
    SetPakOffset(offset);
    file_ = OpenPak((dir_ / "setup").c_str());
    EXPECT_NE(file_, HFILE_ERROR);
    return file_;
  }
  bool FindName(const std::vector<uint8_t> &bytes, const char *text, TPakFileHeader &found) {
    return FindPakFile(Open(bytes), text, found);
  }

  TempFolder dir_;
  HFILE file_ = HFILE_ERROR;
};

TEST_F(ArchiveTest, ReadsTheHeaderOfTheWorkedExample) {
  std::string name = "c:\\install\\setup1\\runsetup.exe";
  ASSERT_EQ(name.size(), 30u);
  std::vector<uint8_t> bytes{0x1E};
  bytes.insert(bytes.end(), name.begin(), name.end());
  for (uint8_t b : {0x01, 0x80, 0x86, 0x39, 0x2C, 0x00, 0xF8, 0x02, 0x00, 0x4D, 0xB2, 0x01, 0x00}) bytes.push_back(b);
  HFILE file = Open(bytes);
  TPakFileHeader header;
  ASSERT_TRUE(ReadPakHeader(file, header));
  EXPECT_EQ(std::string(header.Name.c_str()), name);
  EXPECT_EQ(header.Flags, 1);
  EXPECT_EQ(header.FileDate, 0x2C398680u);  // 25 January 2002, 16:52:00
  EXPECT_EQ(header.UnpackedSize, 194560);
  EXPECT_EQ(header.PackedSize, 111181);
  EXPECT_EQ(_llseek(file, 0, FILE_CURRENT), 44);  // 46 with the version word before it
}

TEST_F(ArchiveTest, HeaderCutOffByTheFileKeepsEarlierFieldsAndEmptiesTheName) {
  std::vector<uint8_t> bytes{3, 'a', 'b'};  // the name itself is cut short
  HFILE file = Open(bytes);
  TPakFileHeader header;
  header.Name = PakString("old");
  header.Flags = 7;
  header.PackedSize = 99;
  ReadPakHeader(file, header);
  EXPECT_EQ(std::string(header.Name.c_str()), "ab");
  EXPECT_EQ(header.Flags, 7);
  EXPECT_EQ(header.PackedSize, 99);
  ReadPakHeader(file, header);  // at the end of the file
  EXPECT_TRUE(header.Name.empty());
  EXPECT_EQ(header.PackedSize, 99);
}

TEST_F(ArchiveTest, NameIsCutAtItsFirstZeroByteButTheHeaderKeepsItsLength) {
  std::string name("run\0setup.exe", 13);
  auto bytes = ArchiveBytes().Entry(name, 0, 0, 1, {'x'}).Entry("second", 0, 0, 1, {'y'}).Terminator().bytes;
  HFILE file = Open(bytes);
  _llseek(file, 2, FILE_BEGIN);
  TPakFileHeader header;
  ReadPakHeader(file, header);
  EXPECT_EQ(std::string(header.Name.c_str()), "run");
  EXPECT_EQ(_llseek(file, 0, FILE_CURRENT), 2 + 14 + 13);
  TPakFileHeader second;
  EXPECT_TRUE(FindPakFile(file, "second", second));
}

TEST_F(ArchiveTest, SearchesFailOnAnEmptyListAWrongVersionAndAMissingArchive) {
  TPakFileHeader header;
  EXPECT_FALSE(FindName(ArchiveBytes().Terminator().bytes, "runsetup.exe", header));
  EXPECT_FALSE(SeekPakHeader(file_, header));
  ClosePak(file_);

  auto wrong = ArchiveBytes().Entry("runsetup.exe", 0, 0, 1, {'x'}).Terminator().bytes;
  wrong[0] = 0x01;
  wrong[1] = 0x00;
  EXPECT_FALSE(FindName(wrong, "runsetup.exe", header));
  ClosePak(file_);

  EXPECT_FALSE(FindPakFile(Open({}, 100), "runsetup.exe", header));  // the file ends at the offset
}

TEST_F(ArchiveTest, NameSearchIsACaseSensitiveContainmentTestInArchiveOrder) {
  auto bytes = ArchiveBytes()
                   .Entry("RUNSETUP.EXE", 0, 1, 1, {'A'})
                   .Entry("", 0, 2, 1, {'B'})
                   .Entry("d:\\any\\dir\\runsetup.exe", 0, 3, 1, {'C'})
                   .Entry("runsetup.exe.old", 0, 4, 1, {'D'})
                   .Terminator()
                   .bytes;
  TPakFileHeader found;
  ASSERT_TRUE(FindName(bytes, "runsetup.exe", found));
  EXPECT_EQ(std::string(found.Name.c_str()), "d:\\any\\dir\\runsetup.exe");
  EXPECT_EQ(found.FileDate, 3u);
  uint8_t data = 0;
  EXPECT_EQ(_lread(file_, &data, 1), 1u);  // positioned at the entry's data
  EXPECT_EQ(data, 'C');

  EXPECT_TRUE(FindPakFile(file_, ".old", found));
  EXPECT_EQ(found.FileDate, 4u);
  TPakFileHeader untouched;
  untouched.FileDate = 42;
  EXPECT_FALSE(FindPakFile(file_, "", untouched));
  EXPECT_FALSE(FindPakFile(file_, "setup.exe.older", untouched));
  EXPECT_EQ(untouched.FileDate, 42u);  // written only on success
}

TEST_F(ArchiveTest, NameSearchStopsAtAnEntryWithoutDataAndAtTheEndOfTheFile) {
  auto stopped = ArchiveBytes().Entry("empty", 0, 0, 5, {}).Entry("runsetup.exe", 0, 0, 1, {'x'}).Terminator().bytes;
  TPakFileHeader found;
  EXPECT_FALSE(FindName(stopped, "runsetup.exe", found));
  ClosePak(file_);

  auto cut = ArchiveBytes().Entry("first", 0, 0, 3, {'a', 'b', 'c'}).Entry("runsetup.exe", 0, 0, 1, {'x'}).bytes;
  cut.resize(cut.size() - 8);
  EXPECT_FALSE(FindName(cut, "runsetup.exe", found));
}

TEST_F(ArchiveTest, SearchesEndAtANegativeDataSizeInsteadOfLoopingBack) {
  // -14 would step back onto the same header for ever.
  auto bytes = ArchiveBytes().Entry("loop", 0, 0, 1, {}, -14).Terminator().bytes;
  TPakFileHeader found;
  EXPECT_FALSE(FindName(bytes, "runsetup.exe", found));
  TPakFileHeader other;
  other.Name = PakString("runsetup.exe");
  other.UnpackedSize = 1;
  EXPECT_FALSE(SeekPakHeader(file_, other));
}

TEST_F(ArchiveTest, HeaderSearchFindsTheEqualEntryAndEndsAtTheEndOfTheFile) {
  auto bytes = ArchiveBytes()
                   .Entry("runsetup.exe", 1, 10, 3, {'a', 'b', 'c'})
                   .Entry("runsetup.exe", 0, 10, 3, {'d', 'e', 'f'})
                   .Terminator()
                   .bytes;
  HFILE file = Open(bytes, 25088);
  TPakFileHeader wanted;
  wanted.Name = PakString("runsetup.exe");
  wanted.FileDate = 10;
  wanted.UnpackedSize = 3;
  wanted.PackedSize = 3;
  wanted.Flags = 0;
  ASSERT_TRUE(SeekPakHeader(file, wanted));
  uint8_t data = 0;
  _lread(file, &data, 1);
  EXPECT_EQ(data, 'd');

  wanted.FileDate = 11;
  EXPECT_FALSE(SeekPakHeader(file, wanted));
  ClosePak(file_);

  // Without a terminator, the end of the file must end the search.
  bytes.resize(bytes.size() - 14);
  EXPECT_FALSE(SeekPakHeader(Open(bytes), wanted));
}

TEST(PakHeaderTest, SameHeaderComparesEveryField) {
  TPakFileHeader a;
  a.Name = PakString("runsetup.exe");
  a.Flags = 1;
  a.FileDate = 2;
  a.UnpackedSize = 3;
  a.PackedSize = 4;
  TPakFileHeader b = a;
  EXPECT_TRUE(b.Name.SharesWith(a.Name));  // copies share the name
  EXPECT_TRUE(SamePakHeader(a, b));
  for (void (*change)(TPakFileHeader &) :
       {+[](TPakFileHeader &h) { h.Name = PakString("runsetup.exE"); }, +[](TPakFileHeader &h) { h.Flags = 0; },
        +[](TPakFileHeader &h) { h.FileDate = 0; }, +[](TPakFileHeader &h) { h.UnpackedSize = 0; },
        +[](TPakFileHeader &h) { h.PackedSize = 0; }}) {
    b = a;
    change(b);
    EXPECT_FALSE(SamePakHeader(a, b));
  }

  ClearPakHeader(b);
  EXPECT_TRUE(b.Name.empty());
  EXPECT_EQ(b.Flags + b.FileDate + b.UnpackedSize + b.PackedSize, 0u);
  EXPECT_EQ(std::string(a.Name.c_str()), "runsetup.exe");  // the other copy keeps the name
}

}  // namespace
