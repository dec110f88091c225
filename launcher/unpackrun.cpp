// unpackrun: extracts the setup program from the archive appended to this executable
// into the Windows directory, starts it with our own path as its argument, and ends
// without waiting. Every failure it detects ends in one message box; the exit code
// is always 0.
#include "win32.h"
#include "pak_archive.h"
#include "pak_extract.h"
#include "pak_memory.h"

#include <string.h>

#ifndef QV_PAK_OFFSET
#  error "QV_PAK_OFFSET must be the size of this build's executable image"
#endif

namespace {

const char kSetupName[] = "runsetup.exe";
const char kSetupDirectory[] = "c:\\";
const char kCaption[] = "Mornavel Setup";

void Tell(const char *text) { MessageBoxA(nullptr, text, kCaption, MB_OK); }

// The program is named on its own and quoted in its command line: a Windows directory
// with a space in it must neither stop the start nor let "c:\my" run for "c:\my win\...".
bool StartSetup(const PakString &program, const char *exe_path) {
  PakString line = PakConcat("\"", program.c_str());
  line = PakConcat(line.c_str(), "\" \"");
  line = PakConcat(line.c_str(), exe_path);
  line = PakConcat(line.c_str(), "\"");
  // CreateProcessA may write into its command line, so it gets a copy of its own.
  char *writable = static_cast<char *>(PakAlloc(line.size() + 1));
  memcpy(writable, line.c_str(), line.size() + 1);

  STARTUPINFOA startup;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process;
  memset(&process, 0, sizeof process);
  bool started = CreateProcessA(program.c_str(), writable, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                                kSetupDirectory, &startup, &process);
  if (started) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  PakFree(writable);
  return started;
}

void Run() {
  char module_path[MAX_PATH + 1] = {0};
  char exe_path[MAX_PATH + 1] = {0};
  // A path cut to fit the buffer could name another file: such a path is not opened.
  DWORD path_length = GetModuleFileNameA(nullptr, module_path, MAX_PATH);
  module_path[MAX_PATH] = '\0';
  OemToCharA(module_path, exe_path);
  exe_path[MAX_PATH] = '\0';

  SetPakOffset(QV_PAK_OFFSET);

  // Without the whole Windows directory there is nowhere safe to extract to: an empty
  // or cut directory would place the program in the current directory or elsewhere.
  char windows_directory[MAX_PATH + 1] = {0};
  UINT length = GetWindowsDirectoryA(windows_directory, MAX_PATH);
  if (length == 0 || length > kPakMaxDestDirLength) {
    Tell("Unable to extract setup program");
    return;
  }
  SetPakDestDir(windows_directory);

  HFILE archive = path_length == 0 || path_length >= MAX_PATH ? HFILE_ERROR : OpenPak(exe_path);
  if (archive == HFILE_ERROR) {
    Tell("Unable to open archive");
    return;
  }

  // A stale copy would make the final rename fail.
  PakString program = PakConcat(PakDestDir(), kSetupName);
  DeleteFileA(program.c_str());

  TPakFileHeader setup;
  if (!FindPakFile(archive, kSetupName, setup)) {
    ClosePak(archive);
    Tell("Unable to find setup program");
    return;
  }
  if (!ExtractPakFile(archive, setup)) {
    Tell("Unable to extract setup program");
    ClosePak(archive);
    return;
  }
  ClosePak(archive);
  // The program is started as "runsetup.exe"; an entry extracted under another name
  // (one merely containing it) cannot be started, and the user must hear of it.
  if (strcmp(PakFileNamePart(setup.Name.c_str()), kSetupName) != 0 || !StartSetup(program, exe_path))
    Tell("Unable to start setup program");
}

}  // namespace

int main() {
  SetPakOffset(0);
  SetPakDestDir(nullptr);
  Run();
  ClearPakDestDir();
  return 0;
}
