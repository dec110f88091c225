// End to end under Windows (wine64): builds a setup around the recorder program, starts
// it, and checks the program extracted into the Windows directory, its command line
// and its current directory.
#include "win32.h"
#include "pak_archive_writer.h"

#include <gtest/gtest.h>

#include "files.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

// Starts a program and waits for it; returns its exit code, or -1.
long RunAndWait(const std::string &path) {
  std::string line = "\"" + path + "\"";
  std::vector<char> writable(line.begin(), line.end());
  writable.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return (long)code;
}

class LauncherWineTest : public ::testing::Test {
 protected:
  // Writes a setup whose archive holds `program` (any stored name: the writer's own
  // checks are skipped, so that tests can make what a hostile writer would).
  std::string WriteSetup(const char *file_name, const PakInputFile &program) {
    std::vector<uint8_t> setup, tail(1000, 0x7E);
    std::string error;
    EXPECT_TRUE(PakBuildSetup(ReadFileBytes(NativePath(QV_UNPACKRUN)), QV_PAK_OFFSET,
                              PakBuildArchive({program}, PakParse::kOptimal), tail, setup, error))
        << error;
    std::string path = folder_ + "\\" + file_name;
    EXPECT_TRUE(WriteFileBytes(path, setup));
    return path;
  }
  bool Started() {
    Sleep(500);
    return GetFileAttributesA(record_.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  void SetUp() override {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    windows_ = windows;
    record_ = folder_ + "\\record.txt";
    SetEnvironmentVariableA("QV_RECORD", record_.c_str());
    DeleteFileA(record_.c_str());
  }

  TempFolder temp_{"launcher wine test"};  // a name with spaces, as users' folders have
  const std::string folder_ = temp_.path();
  std::string windows_, record_;
};

TEST_F(LauncherWineTest, ExtractsIntoTheWindowsDirectoryAndStartsTheProgram) {
  PakInputFile program{"c:\\mornavel\\disk1\\runsetup.exe", ReadFileBytes(NativePath(QV_RECORDER)), 0x2C398680};
  ASSERT_EQ(PakCheckInput(program), "");
  std::string setup_path = WriteSetup("setup.exe", program);
  std::string extracted = windows_ + "\\runsetup.exe";
  ASSERT_TRUE(WriteFileBytes(extracted, {'s', 't', 'a', 'l', 'e'}));
  // A stale temporary file is replaced by a fresh one, not opened.
  ASSERT_TRUE(WriteFileBytes(windows_ + "\\$mvsetup.tmp", {'o', 'l', 'd'}));

  EXPECT_EQ(RunAndWait(setup_path), 0);
  std::vector<uint8_t> record;
  for (int i = 0; i < 300 && record.empty(); i++) {
    Sleep(100);
    record = ReadFileBytes(record_);
  }
  ASSERT_FALSE(record.empty()) << "the setup program did not start";
  std::string text(record.begin(), record.end());
  size_t line_end = text.find('\n');
  ASSERT_NE(line_end, std::string::npos);
  EXPECT_EQ(text.substr(0, line_end), "\"" + extracted + "\" \"" + setup_path + "\"");
  EXPECT_EQ(lstrcmpiA(text.substr(line_end + 1).c_str(), "c:\\\n"), 0) << text;
  EXPECT_EQ(ReadFileBytes(extracted), program.data);
  EXPECT_EQ(GetFileAttributesA((windows_ + "\\$mvsetup.tmp").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(LauncherWineTest, NameThatLeavesTheWindowsDirectoryIsNotExtracted) {
  // Windows takes "/" as a separator too: unchecked, this would land in <windows>\..\esc.
  std::string escape = windows_ + "\\..\\esc";
  CreateDirectoryA(escape.c_str(), nullptr);
  DeleteFileA((escape + "\\runsetup.exe").c_str());
  std::string setup =
      WriteSetup("escape.exe", {"c:\\dist\\../esc/runsetup.exe", ReadFileBytes(NativePath(QV_RECORDER)), 0x2C398680});

  EXPECT_EQ(RunAndWait(setup), 0);
  EXPECT_FALSE(Started());
  EXPECT_EQ(GetFileAttributesA((escape + "\\runsetup.exe").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA((windows_ + "\\$mvsetup.tmp").c_str()), INVALID_FILE_ATTRIBUTES);
  RemoveDirectoryA(escape.c_str());
}

TEST_F(LauncherWineTest, EntryNotNamedRunsetupExeStartsNothingNotEvenAnOldCopy) {
  // An old copy that cannot be deleted (held open without delete sharing) stays; only
  // the extracted program may ever be started.
  std::string old_copy = windows_ + "\\runsetup.exe";
  ASSERT_TRUE(WriteFileBytes(old_copy, ReadFileBytes(NativePath(QV_RECORDER))));
  HANDLE held = CreateFileA(old_copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::string setup =
      WriteSetup("txt.exe", {"c:\\dist\\runsetup.exe.txt", ReadFileBytes(NativePath(QV_RECORDER)), 0x2C398680});

  EXPECT_EQ(RunAndWait(setup), 0);
  EXPECT_FALSE(Started());
  CloseHandle(held);
  DeleteFileA(old_copy.c_str());
  DeleteFileA((windows_ + "\\runsetup.exe.txt").c_str());
}

TEST_F(LauncherWineTest, BareLauncherStartsNothing) {
  std::string bare = folder_ + "\\bare.exe";
  ASSERT_TRUE(WriteFileBytes(bare, ReadFileBytes(NativePath(QV_UNPACKRUN))));
  DeleteFileA((windows_ + "\\runsetup.exe").c_str());
  EXPECT_EQ(RunAndWait(bare), 0);  // after its message box, which returns at once without a display
  Sleep(500);
  EXPECT_EQ(GetFileAttributesA(record_.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA((windows_ + "\\runsetup.exe").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
