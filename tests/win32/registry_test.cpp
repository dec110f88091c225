// The stand-in's registry: Windows' answers, kept in a per-user file that survives
// crashes and concurrent writers.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "environment.h"
#include "qpl/settings.h"
#include "win32.h"

namespace {

class Registry : public ::testing::Test {
 protected:
  HKEY Create(const char *path, DWORD *disposition = nullptr) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, disposition),
              ERROR_SUCCESS);
    return key;
  }

  static LONG SetDword(HKEY key, const char *name, DWORD value) {
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof value);
  }

  static DWORD GetDword(HKEY key, const char *name, LONG *status = nullptr) {
    DWORD value = 0, size = sizeof value, type = 0;
    LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(&value), &size);
    if (status) *status = result;
    return value;
  }

  std::string FileText() const {
    std::ifstream in(file_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  int FilesInFolder() const {
    int count = 0;
    DIR *dir = opendir(folder_.c_str());
    while (dirent *entry = readdir(dir)) count += entry->d_name[0] != '.';
    closedir(dir);
    return count;
  }

  testsupport::PrivateRegistry registry_;
  const std::string folder_ = registry_.folder().path(), file_ = registry_.file();
};

constexpr const char *kKey = QPL_SETTINGS_KEY;

TEST_F(Registry, ValuesPersistAndReadBackAsWindowsReturnsThem) {
  DWORD disposition = 0;
  HKEY key = Create(kKey, &disposition);
  EXPECT_EQ(disposition, (DWORD)REG_CREATED_NEW_KEY);
  ASSERT_EQ(SetDword(key, QPL_SETTING_PROFILE, 7), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "Label", 0, REG_SZ, reinterpret_cast<const BYTE *>("tab\there\n"), 10),
            ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  key = Create("software\\MORNAVEL\\FilePlugIns\\wmvplugin\\", &disposition);
  EXPECT_EQ(disposition, (DWORD)REG_OPENED_EXISTING_KEY) << "names compare without case";
  EXPECT_EQ(GetDword(key, "PROFILE"), 7u);

  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Label", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, (DWORD)REG_SZ);
  EXPECT_EQ(size, 10u);
  char small[4];
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExA(key, "Label", nullptr, nullptr, reinterpret_cast<BYTE *>(small), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 10u);
  char label[16] = {};
  size = sizeof label;
  EXPECT_EQ(RegQueryValueExA(key, "Label", nullptr, nullptr, reinterpret_cast<BYTE *>(label), &size), ERROR_SUCCESS);
  EXPECT_STREQ(label, "tab\there\n");

  LONG status = 0;
  DWORD missing = 0x1234;
  size = sizeof missing;
  EXPECT_EQ(RegQueryValueExA(key, QPL_SETTING_IMPORT_ALLOWED, nullptr, nullptr, reinterpret_cast<BYTE *>(&missing), &size),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(missing, 0x1234u) << "a missing value leaves the caller's variable alone";
  EXPECT_EQ(RegDeleteValueA(key, QPL_SETTING_PROFILE), ERROR_SUCCESS);
  GetDword(key, QPL_SETTING_PROFILE, &status);
  EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);

  // Another process sees what this one wrote.
  pid_t child = fork();
  if (child == 0) {
    HKEY childKey = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &childKey) != ERROR_SUCCESS) _exit(1);
    char text[16] = {};
    DWORD textSize = sizeof text;
    RegQueryValueExA(childKey, "label", nullptr, nullptr, reinterpret_cast<BYTE *>(text), &textSize);
    _exit(std::string(text) == "tab\there\n" ? 0 : 2);
  }
  int wstatus = 0;
  waitpid(child, &wstatus, 0);
  EXPECT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0);
}

TEST_F(Registry, OpeningAMissingKeyFailsAndBadHandlesAreRefused) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Nobody", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  HKEY created = Create("Software\\Somebody\\Deep");
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Somebody", 0, KEY_READ, &key), ERROR_SUCCESS)
      << "a parent exists when a key below it does";
  RegCloseKey(key);
  EXPECT_EQ(RegCloseKey(created), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(created), ERROR_INVALID_HANDLE) << "closing twice";
  EXPECT_EQ(SetDword(created, "x", 1), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_INVALID_HANDLE)
      << "only the user's own settings are kept";
}

TEST_F(Registry, ChangesReplaceTheFileWholeAndLeaveNoTemporaryFiles) {
  HKEY key = Create(kKey);
  for (DWORD i = 0; i < 20; ++i) ASSERT_EQ(SetDword(key, ("v" + std::to_string(i)).c_str(), i), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(FilesInFolder(), 2) << "the registry and its lock file only";

  // A crash mid-write leaves at most a stray temporary file, never a damaged registry;
  // a damaged line (written by hand, say) costs only itself, and is kept as it is.
  { std::ofstream(file_ + ".tmp.99999") << "value\tgarbage"; }
  { std::ofstream(file_, std::ios::app) << "value\t" << kKey << "\tbroken\t4\tZZ\nnonsense line\n"; }
  key = Create(kKey);
  EXPECT_EQ(GetDword(key, "v19"), 19u);
  LONG status = 0;
  GetDword(key, "broken", &status);
  EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(SetDword(key, "after", 1), ERROR_SUCCESS);
  RegCloseKey(key);
  std::string text = FileText();
  EXPECT_NE(text.find("\nnonsense line\n"), std::string::npos) << "the rewrite keeps what it cannot read";
  EXPECT_NE(text.find("\tbroken\t4\tZZ\n"), std::string::npos);
  EXPECT_NE(text.find("\tafter\t4\t01000000\n"), std::string::npos);
  // Once each, however often the file is rewritten.
  key = Create(kKey);
  EXPECT_EQ(SetDword(key, "again", 2), ERROR_SUCCESS);
  RegCloseKey(key);
  text = FileText();
  EXPECT_EQ(text.find("nonsense line"), text.rfind("nonsense line"));
  EXPECT_EQ(text.find("# Registry"), text.rfind("# Registry"));
}

TEST_F(Registry, ConcurrentWritersInSeveralProcessesLoseNothing) {
  HKEY key = Create(kKey);
  RegCloseKey(key);
  constexpr int kWriters = 4, kValues = 25;
  pid_t children[kWriters];
  for (int w = 0; w < kWriters; ++w) {
    children[w] = fork();
    if (children[w] == 0) {
      HKEY own = nullptr;
      if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &own, nullptr) != 0)
        _exit(1);
      for (int v = 0; v < kValues; ++v) {
        DWORD value = (DWORD)(w * 1000 + v);
        std::string name = "w" + std::to_string(w) + "v" + std::to_string(v);
        if (RegSetValueExA(own, name.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE *>(&value), 4) != 0) _exit(2);
      }
      _exit(0);
    }
  }
  for (pid_t child : children) {
    int wstatus = 0;
    waitpid(child, &wstatus, 0);
    EXPECT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0);
  }
  key = Create(kKey);
  int found = 0;
  for (int w = 0; w < kWriters; ++w)
    for (int v = 0; v < kValues; ++v) {
      LONG status = 0;
      DWORD value = GetDword(key, ("w" + std::to_string(w) + "v" + std::to_string(v)).c_str(), &status);
      found += status == ERROR_SUCCESS && value == (DWORD)(w * 1000 + v);
    }
  RegCloseKey(key);
  EXPECT_EQ(found, kWriters * kValues);
}

TEST_F(Registry, UnwritableLocationFailsCleanly) {
  testsupport::ScopedEnv unwritable("QV_WIN32_REGISTRY", "/proc/qv-no-such-folder/user.reg");
  HKEY key = reinterpret_cast<HKEY>(1);
  EXPECT_NE(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(key, nullptr);
}

TEST_F(Registry, DefaultLocationFollowsXdgConfigHome) {
  testsupport::ScopedEnv noFile("QV_WIN32_REGISTRY", nullptr), config("XDG_CONFIG_HOME", folder_.c_str());
  HKEY key = Create(kKey);
  EXPECT_EQ(SetDword(key, QPL_SETTING_IMPORT_ALLOWED, 1), ERROR_SUCCESS);
  RegCloseKey(key);
  std::ifstream in(folder_ + "/quorvel-win32/user.reg");
  EXPECT_TRUE(in.good());
}

}  // namespace
