// The Linux stand-ins of the launcher's platform calls: path mapping, the Windows
// command-line rules, and the file calls' Windows semantics.
#include "win32.h"
#include "files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include <string>
#include <vector>

using namespace testsupport;

namespace {

std::string Posix(const char *windows_path) {
  char buffer[256];
  return Win32PosixPath(windows_path, buffer, sizeof buffer) ? buffer : "<none>";
}

std::vector<std::string> Split(const char *line) {
  std::vector<std::string> args;
  Win32SplitCommandLine(
      line, [](const char *text, size_t length, void *context) {
        static_cast<std::vector<std::string> *>(context)->emplace_back(text, length);
      },
      &args);
  return args;
}

TEST(PlatformTest, WindowsPathsMapToPosixPaths) {
  EXPECT_EQ(Posix("c:\\"), "/");
  EXPECT_EQ(Posix("C:\\windows\\runsetup.exe"), "/windows/runsetup.exe");
  EXPECT_EQ(Posix("/tmp/dir\\$mvsetup.tmp"), "/tmp/dir/$mvsetup.tmp");
  EXPECT_EQ(Posix("relative\\name"), "relative/name");
  EXPECT_EQ(Posix(""), "<none>");
}

TEST(PlatformTest, CommandLinesSplitAsOnWindows) {
  EXPECT_EQ(Split("c:\\windows\\runsetup.exe \"d:\\setup disk\\setup.exe\""),
            (std::vector<std::string>{"c:\\windows\\runsetup.exe", "d:\\setup disk\\setup.exe"}));
  EXPECT_EQ(Split("\"c:\\program files\\a.exe\" x\\\\\"y z\" \\\"q a\\b"),
            (std::vector<std::string>{"c:\\program files\\a.exe", "x\\y z", "\"q", "a\\b"}));
  EXPECT_EQ(Split("prog \"\" \"say \"\"hi\"\"\""), (std::vector<std::string>{"prog", "", "say \"hi\""}));
  EXPECT_TRUE(Split("   ").empty());
}

TEST(PlatformTest, MoveNeverReplacesAndDeleteRemoves) {
  TempFolder dir;
  WriteFileBytes(dir / "a", {1});
  WriteFileBytes(dir / "b", {2});
  EXPECT_FALSE(MoveFileA((dir / "a").c_str(), (dir / "b").c_str()));
  EXPECT_EQ(ReadFileBytes(dir / "b"), std::vector<uint8_t>{2});
  EXPECT_TRUE(DeleteFileA((dir / "b").c_str()));
  EXPECT_FALSE(DeleteFileA((dir / "b").c_str()));
  EXPECT_TRUE(MoveFileA((dir / "a").c_str(), (dir.path() + "\\b").c_str()));
  EXPECT_EQ(ReadFileBytes(dir / "b"), std::vector<uint8_t>{1});
  EXPECT_FALSE(FileExists(dir / "a"));
}

TEST(PlatformTest, CreatedFilesAreWrittenAndCanBeStarted) {
  TempFolder dir;
  std::string script = dir / "prog";
  HANDLE file = CreateFileA(script.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  std::string text = "#!/bin/sh\necho \"$1\" > \"$2\"\n";
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, text.data(), (DWORD)text.size(), &written, nullptr));
  EXPECT_EQ(written, text.size());
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_FALSE(CloseHandle(file));  // no longer a handle

  std::string line = script + " \"two words\" " + (dir / "out");
  std::vector<char> writable(line.begin(), line.end());
  writable.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, "c:\\",
                             &startup, &process));
  EXPECT_TRUE(CloseHandle(process.hThread));
  EXPECT_TRUE(CloseHandle(process.hProcess));
  for (int i = 0; i < 100 && ReadFileBytes(dir / "out").size() < 10; i++) Sleep(50);
  std::vector<uint8_t> out = ReadFileBytes(dir / "out");
  EXPECT_EQ(std::string(out.begin(), out.end()), "two words\n");

  // A named program is the one started, whatever the command line's first word; a
  // relative name is found from the caller's directory, not the new process's.
  line = "\"c:\\no such\\program\" named " + (dir / "named");
  writable.assign(line.begin(), line.end());
  writable.push_back('\0');
  std::filesystem::path caller = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  BOOL started = CreateProcessA("prog", writable.data(), nullptr, nullptr, FALSE, 0, nullptr, "c:\\", &startup,
                                &process);
  std::filesystem::current_path(caller);
  ASSERT_TRUE(started);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int i = 0; i < 100 && ReadFileBytes(dir / "named").size() < 6; i++) Sleep(50);
  out = ReadFileBytes(dir / "named");
  EXPECT_EQ(std::string(out.begin(), out.end()), "named\n");

  char missing[] = "/nonexistent/program arg";
  EXPECT_FALSE(CreateProcessA(nullptr, missing, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
}

TEST(PlatformTest, CreateNewNeverOpensAnExistingNameNorFollowsALink) {
  TempFolder dir;
  WriteFileBytes(dir / "target", {'k', 'e', 'e', 'p'});
  ASSERT_EQ(symlink((dir / "target").c_str(), (dir / "link").c_str()), 0);
  ASSERT_EQ(symlink((dir / "nowhere").c_str(), (dir / "dangling").c_str()), 0);
  for (const char *name : {"target", "link", "dangling"}) {
    SetLastError(0);
    EXPECT_EQ(CreateFileA((dir / name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr),
              INVALID_HANDLE_VALUE)
        << name;
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS) << name;
  }
  EXPECT_EQ(ReadFileBytes(dir / "target"), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
  EXPECT_FALSE(FileExists(dir / "nowhere"));
  HANDLE made = CreateFileA((dir / "new").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(made, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(made));
}

// Programs are extracted into the Windows directory and started from there, so by
// default it is a folder only its user can write, never the shared temporary one. It is
// made when a file is first created in it, not when it is asked for.
TEST(PlatformTest, WindowsDirectoryIsWindirElseAPrivateFolderOfTheUser) {
  TempFolder dir;
  char windows[MAX_PATH];
  unsetenv("WINDIR");
  setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
  std::string expected = dir / "data/quorvel-win32/windows";
  EXPECT_EQ(GetWindowsDirectoryA(windows, sizeof windows), expected.size());
  EXPECT_EQ(std::string(windows), expected);
  EXPECT_FALSE(FileExists(dir / "data"));
  HANDLE file = CreateFileA((expected + "\\$mvsetup.tmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(file));
  struct stat info;
  ASSERT_EQ(stat(expected.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0700u);

  // A folder there that is not ours to keep private (here a link) is refused.
  std::system(("rm -rf '" + expected + "'").c_str());
  ASSERT_EQ(symlink("/tmp", expected.c_str()), 0);
  EXPECT_EQ(GetWindowsDirectoryA(windows, sizeof windows), 0u);
  EXPECT_EQ(CreateFileA((expected + "\\x").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                        nullptr),
            INVALID_HANDLE_VALUE);
  unsetenv("XDG_DATA_HOME");

  // A relative WINDIR is a full path from the current directory, as Windows's always is.
  setenv("WINDIR", "windows", 1);
  std::string here = std::filesystem::current_path().string();
  EXPECT_EQ(GetWindowsDirectoryA(windows, sizeof windows), here.size() + 8);
  EXPECT_EQ(std::string(windows), here + "/windows");
  unsetenv("WINDIR");
}

TEST(PlatformTest, ArchiveFileCallsReadSeekAndReportErrors) {
  TempFolder dir;
  WriteFileBytes(dir / "f", {'0', '1', '2', '3', '4'});
  OFSTRUCT info;
  HFILE file = OpenFile((dir / "f").c_str(), &info, OF_READ);
  ASSERT_NE(file, HFILE_ERROR);
  char buffer[8] = {};
  EXPECT_EQ(_llseek(file, 3, FILE_BEGIN), 3);
  EXPECT_EQ(_lread(file, buffer, 8), 2u);  // a short read at the end
  EXPECT_EQ(std::string(buffer), "34");
  EXPECT_EQ(_llseek(file, -4, FILE_CURRENT), 1);
  EXPECT_EQ(_lclose(file), 0);
  EXPECT_EQ(OpenFile((dir / "missing").c_str(), &info, OF_READ), HFILE_ERROR);

  char windows[MAX_PATH];
  setenv("WINDIR", dir.path().c_str(), 1);
  EXPECT_EQ(GetWindowsDirectoryA(windows, sizeof windows), dir.path().size());
  EXPECT_EQ(std::string(windows), dir.path());
  EXPECT_EQ(GetWindowsDirectoryA(windows, 3), dir.path().size() + 1);  // too small: the size needed
  unsetenv("WINDIR");

  char self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, self, sizeof self), 0u);
  EXPECT_NE(std::string(self).find("launcher_test"), std::string::npos);
}

}  // namespace
