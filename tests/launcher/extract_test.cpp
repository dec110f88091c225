// Extraction into the destination directory: the normal case, the file-name rules,
// and every failure, which must leave neither a temporary file nor a final file.
#include "win32.h"
#include "pak_extract.h"
#include "pak_archive_writer.h"
#include "pak_format.h"
#include "archive_bytes.h"
#include "files.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

std::vector<uint8_t> Sample(size_t size) {
  std::vector<uint8_t> data(size);
  for (size_t i = 0; i < size; i++) data[i] = (uint8_t)((i % 13) * (i / 4099 + 1) + (i % 1000 == 0));
  return data;
}

class ExtractTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPakOffset(0);
    SetPakDestDir((dir_.path() + "\\out").c_str());
    std::system(("mkdir -p '" + (dir_ / "out") + "'").c_str());
  }
  void TearDown() override {
    if (file_ != HFILE_ERROR) ClosePak(file_);
    ClearPakDestDir();
  }
  // Writes the archive, finds `name` in it and extracts it.
  bool Extract(const std::vector<uint8_t> &archive, const char *name = "runsetup.exe") {
    WriteFileBytes(dir_ / "setup", archive);
    file_ = OpenPak((dir_ / "setup").c_str());
    TPakFileHeader header;
    if (!FindPakFile(file_, name, header)) return false;
    return ExtractPakFile(file_, header);
  }
  std::string Out(const std::string &name) { return dir_ / ("out/" + name); }

  TempFolder dir_;
  HFILE file_ = HFILE_ERROR;
};

TEST_F(ExtractTest, WritesTheEntryUnderItsFileNameAndReplacesAnOldTemporaryFile) {
  PakInputFile file{"c:\\mornavel\\disk1\\runsetup.exe", Sample(3 * kPakBlockSize + 77), 0};
  WriteFileBytes(Out("$mvsetup.tmp"), {1, 2, 3});
  ASSERT_TRUE(Extract(PakBuildArchive({file}, PakParse::kOptimal)));
  EXPECT_EQ(ReadFileBytes(Out("runsetup.exe")), file.data);
  EXPECT_FALSE(FileExists(Out("$mvsetup.tmp")));
}

TEST_F(ExtractTest, StoredEntryOfTwoBlocksIsCopiedVerbatim) {
  std::vector<uint8_t> data = Sample(20000);
  std::vector<uint8_t> blocks = StoredBlock({data.begin(), data.begin() + 16384});
  std::vector<uint8_t> rest = StoredBlock({data.begin() + 16384, data.end()});
  blocks.insert(blocks.end(), rest.begin(), rest.end());
  ASSERT_TRUE(Extract(ArchiveBytes().Entry("runsetup.exe", 0, 0, 20000, blocks).Terminator().bytes));
  EXPECT_EQ(ReadFileBytes(Out("runsetup.exe")), data);
}

TEST_F(ExtractTest, RefusesAnEmptyNameAndAHeaderNotInTheArchive) {
  auto archive = ArchiveBytes().Entry("runsetup.exe", 0, 0, 1, StoredBlock({'x'})).Terminator().bytes;
  WriteFileBytes(dir_ / "setup", archive);
  file_ = OpenPak((dir_ / "setup").c_str());
  TPakFileHeader header;
  ASSERT_TRUE(FindPakFile(file_, "runsetup.exe", header));
  TPakFileHeader nameless = header;
  nameless.Name.Clear();
  EXPECT_FALSE(ExtractPakFile(file_, nameless));
  TPakFileHeader other = header;
  other.FileDate = 1;
  EXPECT_FALSE(ExtractPakFile(file_, other));
  EXPECT_FALSE(FileExists(Out("$mvsetup.tmp")));
}

TEST_F(ExtractTest, CorruptDataFailsAndRemovesTheTemporaryFile) {
  PakInputFile file{"runsetup.exe", Sample(40000), 0};
  std::vector<uint8_t> good = PakBuildArchive({file}, PakParse::kOptimal);
  ASSERT_EQ(good[2 + 1 + 12], 1) << "expected a compressed entry";
  constexpr size_t data_at = 2 + 1 + 12 + 13;
  for (void (*spoil)(std::vector<uint8_t> &) : {
           +[](std::vector<uint8_t> &a) { a[data_at] = 0xF1, a[data_at + 1] = 0x55; },  // block length above 22,000
           +[](std::vector<uint8_t> &a) { a.resize(a.size() - 100); },  // the last block cut off: a short read
           +[](std::vector<uint8_t> &a) { a[data_at + 2] = 0x80; },  // a first item matching before the entry
       }) {
    std::vector<uint8_t> bad = good;
    spoil(bad);
    EXPECT_FALSE(Extract(bad));
  }

  EXPECT_FALSE(FileExists(Out("$mvsetup.tmp")));
  EXPECT_FALSE(FileExists(Out("runsetup.exe")));
}

TEST_F(ExtractTest, BlocksMayNotRunPastTheEntrysPackedSize) {
  auto blocks = StoredBlock({'a', 'b'});
  auto archive = ArchiveBytes().Entry("runsetup.exe", 0, 0, 2, blocks, 3).Terminator().bytes;
  EXPECT_FALSE(Extract(archive));
  EXPECT_FALSE(FileExists(Out("$mvsetup.tmp")));
}

TEST_F(ExtractTest, FileErrorsFailTheExtraction) {
  auto archive = ArchiveBytes().Entry("runsetup.exe", 0, 0, 1, StoredBlock({'x'})).Terminator().bytes;

  // The final name is taken: the rename fails, and the old file stays untouched.
  WriteFileBytes(Out("runsetup.exe"), {'o', 'l', 'd'});
  EXPECT_FALSE(Extract(archive));
  EXPECT_EQ(ReadFileBytes(Out("runsetup.exe")), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_FALSE(FileExists(Out("$mvsetup.tmp")));
  ClosePak(file_);

  // The destination directory does not exist: the temporary file cannot be made.
  SetPakDestDir((dir_.path() + "\\missing").c_str());
  EXPECT_FALSE(Extract(archive));
  ClosePak(file_);

  // A name ending in a backslash names the directory itself.
  SetPakDestDir((dir_.path() + "\\out").c_str());
  auto dir_name = ArchiveBytes().Entry("c:\\runsetup.exe\\", 0, 0, 1, StoredBlock({'x'})).Terminator().bytes;
  EXPECT_FALSE(Extract(dir_name));
  EXPECT_FALSE(FileExists(Out("$mvsetup.tmp")));
}

TEST_F(ExtractTest, NamesThatCouldLeaveTheDirectoryAreRefusedBeforeAnythingIsWritten) {
  std::system(("mkdir -p '" + (dir_ / "esc") + "'").c_str());
  for (const char *name : {"c:\\dist\\../esc/runsetup.exe", "c:\\dist\\..", "c:\\dist\\.. ",
                           "c:runsetup.exe", "c:\\dist\\runsetup.exe:stream"}) {
    auto archive = ArchiveBytes().Entry(name, 0, 0, 1, StoredBlock({'x'})).Terminator().bytes;
    EXPECT_FALSE(Extract(archive, name)) << name;
    ClosePak(file_);
    file_ = HFILE_ERROR;
  }
  EXPECT_EQ(std::system(("test -z \"$(find '" + (dir_ / "out") + "' '" + (dir_ / "esc") + "' -mindepth 1)\"").c_str()), 0)
      << "a refused name left a file behind";
}

TEST(PakDestDirTest, AlwaysEndsInOneBackslash) {
  for (auto given : {std::make_pair("c:\\dir", "c:\\dir\\"), std::make_pair("c:\\dir\\", "c:\\dir\\"),
                     std::make_pair<const char *, const char *>(nullptr, "")}) {
    SetPakDestDir(given.first);
    EXPECT_STREQ(PakDestDir(), given.second);
  }
  std::string long_dir(300, 'd');
  SetPakDestDir(long_dir.c_str());
  EXPECT_EQ(std::string(PakDestDir()), std::string(255, 'd') + "\\");
  ClearPakDestDir();

  EXPECT_STREQ(PakFileNamePart("x:\\any\\dir\\runsetup.exe"), "runsetup.exe");
  EXPECT_STREQ(PakFileNamePart("c:/unix/style"), "c:/unix/style");
  EXPECT_STREQ(PakFileNamePart("dir\\"), "");
}

}  // namespace
