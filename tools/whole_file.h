// Files written whole or not at all, as paktool and qvhost write their outputs. The
// new content goes to a temporary file created beside the output and is renamed over
// it only once complete: whoever reads the output's name finds the old file or the new
// one, never part of one; a name that is a symbolic link is replaced, not written
// through; and a failure, SIGINT, SIGTERM or SIGHUP leave the output as it was.
#ifndef QV_TOOLS_WHOLE_FILE_H
#define QV_TOOLS_WHOLE_FILE_H

#include <cstddef>
#include <string>

namespace wholefile {

// The same file: by identity (device and file number) when both exist, so that a
// second name or a hard link is caught too; else by the names as written.
bool SameFile(const std::string &a, const std::string &b);

// Whether the name is taken, also by a link whose target is missing.
bool NameTaken(const std::string &path);

// One output on its way: a temporary file named after it ("out.wmv.qvhost-new"),
// which is removed unless Keep puts it in the output's place. While one exists,
// SIGINT, SIGTERM and SIGHUP, where the program leaves them to the system, remove it
// before they end the process; and SIGXFSZ is ignored from the first one on, so that
// a write past the file size limit fails (EFBIG) instead of ending the process.
class PendingFile {
 public:
  PendingFile() = default;
  ~PendingFile() { Discard(); }
  PendingFile(const PendingFile &) = delete;
  PendingFile &operator=(const PendingFile &) = delete;

  // Creates the temporary file beside `path`, empty and open, under a name nothing
  // held (never opening an existing file or link). `tag` names the program.
  bool Create(const std::string &path, const char *tag, std::string *error);
  bool Write(const void *data, size_t size, std::string *error);
  // Closes the temporary file (another writer may then fill it by name); a failed
  // write that only the close reports fails here.
  bool Close(std::string *error);
  // Closes the file and renames it over the output. Without `replace` it fails when
  // the output's name was taken meanwhile; the temporary file is then removed.
  bool Keep(bool replace, std::string *error);
  // Removes the temporary file (nothing once kept).
  void Discard();

  const std::string &path() const { return path_; }
  const std::string &temporary() const { return temporary_; }

 private:
  void Withdraw();  // the temporary name is no longer one a signal removes

  std::string path_;
  std::string temporary_;
  int descriptor_ = -1;
  int slot_ = -1;  // where a signal finds the temporary name
};

// Writes `size` bytes to `path` through a PendingFile, replacing what is there.
bool WriteWholeFile(const std::string &path, const void *data, size_t size, const char *tag, std::string *error);

}  // namespace wholefile

#endif
