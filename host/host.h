/* qvhost: a command-line host that loads a .qpl file plug-in by path and drives its
 * twenty pi* entry points as the host application does.
 *
 * This header is the whole API a command needs. A command lives in its own
 * host/cmd_<name>.cpp and registers itself; nothing else has to change:
 *
 *     #include "host.h"
 *
 *     static int RunFormats(qvhost::CommandContext &context) {
 *       const qvhost::EntryPoints &pi = context.plugin.pi();
 *       std::fprintf(context.out, "%lu\n", (unsigned long)pi.piCount());
 *       return 0;                        // exit status of qvhost
 *     }
 *
 *     static const qvhost::CommandRegistrar registrar(
 *         {"formats", "", "list the plug-in's formats", RunFormats});
 *
 * A command's help (`qvhost help NAME`, `qvhost NAME --help`) comes from the options
 * and example given after the function.
 *
 * qvhost parses `qvhost [--plugin PATH] [--quiet] <command> [arguments...]`, loads the plug-in
 * (PATH, else the environment variable QVHOST_PLUGIN, else the plug-in installed beside
 * qvhost) with every entry point resolved,
 * and then calls the command with the arguments that follow its name. A command
 * reports failure with Fail(), which prints "qvhost: <command>: <message>" to the
 * error stream and gives the non-zero exit status to return.
 *
 * Handles the plug-in hands out are Win32 global memory (GlobalLock, GlobalSize,
 * GlobalUnlock, GlobalFree from win32.h), as in the host application. */
#ifndef QV_HOST_HOST_H
#define QV_HOST_HOST_H

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "progress_line.h"
#include "qpl/entry_points.h"
#include "win32.h"

namespace qvhost {

/* The entry points as a host sees them: the contract's prototypes, resolved by name. */
using EntryPoints = qpl::EntryPoints;

/* ---- Loading a plug-in ------------------------------------------------------ */
class Plugin {
 public:
  Plugin() = default;
  ~Plugin();  // unloads the library
  Plugin(const Plugin &) = delete;
  Plugin &operator=(const Plugin &) = delete;

  /* Loads the library at `path` and resolves all twenty entry points by name. On
   * failure returns false with a message naming the library or the missing entry
   * point, and nothing stays loaded. */
  bool Load(const std::string &path, std::string *error);
  void Unload();

  bool loaded() const { return library_ != nullptr; }
  const EntryPoints &pi() const { return entry_; }
  /* The library's module handle, where a host finds the plug-in's resources. */
  HMODULE module() const { return reinterpret_cast<HMODULE>(library_); }
  const std::string &path() const { return path_; }

 private:
  void *library_ = nullptr;
  EntryPoints entry_ = {};
  std::string path_;
};

/* The system's text for an error code (GetLastError), as FormatMessageA gives it:
 * "File too large". */
std::string SystemMessage(DWORD code);

/* The plug-in of an installed qvhost, found relative to the qvhost program; empty when
 * there is none. */
std::string InstalledPluginPath();

/* An instance block from piLocalInit(0, modeBits). The destructor ends any open
 * transfer (piLocalProcessDataEnd) and frees the block (piLocalDone), as a host
 * does when it is finished with a format. */
class Instance {
 public:
  explicit Instance(const Plugin &plugin, DWORD modeBits = 0);
  ~Instance();
  Instance(const Instance &) = delete;
  Instance &operator=(const Instance &) = delete;

  HGLOBAL handle() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  /* Hands the block over to the caller, who frees it; the destructor then leaves it. */
  HGLOBAL Detach();

 private:
  const EntryPoints &pi_;
  HGLOBAL handle_;
};

/* Copies the bytes of a global memory block (locked and unlocked again); empty for a
 * null or unusable handle. */
std::vector<BYTE> CopyGlobal(HGLOBAL handle);

/* ---- Commands --------------------------------------------------------------- */
struct CommandContext {
  Plugin &plugin;                  // loaded, every entry point resolved
  const char *command;             // the command's name
  std::vector<std::string> args;   // the arguments after the command's name
  FILE *out;                       // results
  FILE *err;                       // messages and progress
  bool quiet = false;              // --quiet: errors only, no notes, progress or confirmations
};

using CommandFunction = int (*)(CommandContext &context);

struct Command {
  const char *name;      // as typed: "formats"
  const char *usage;     // arguments after the name, for --help: "<file.wmv> [frame]"
  const char *summary;   // one line for --help
  CommandFunction run;   // returns the exit status: 0 success, else failure
  // For `qvhost help NAME` (and NAME --help): the options, one "  --opt VALUE  what"
  // line each, and an example command line or two, each line ending in a newline.
  const char *options = "";
  const char *example = "";
};

/* Registers a command in the table that qvhost dispatches on; declare one as a
 * static object in the command's own source file. */
class CommandRegistrar {
 public:
  explicit CommandRegistrar(const Command &command);
};

/* Every registered command, sorted by name. */
std::vector<Command> RegisteredCommands();
const Command *FindCommand(const std::string &name);

/* Prints "qvhost: <command>: <message>" (printf-style) to context.err and returns the
 * exit status for a failure (1). */
int Fail(CommandContext &context, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

/* Prints "qvhost: <command>: <message>" to context.err unless --quiet: a note a person
 * may want and a script does not. */
void Note(CommandContext &context, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

/* Prints a command's own help: usage, summary, options and example. */
void PrintCommandHelp(FILE *stream, const Command &command);

/* Parses a whole decimal number (optionally negative) that fits a LONG. */
bool ParseLong(const std::string &text, LONG *value);

/* ---- BMP files ---------------------------------------------------------------
 * A .bmp file is a packed DIB (BITMAPINFOHEADER, colour table if any, pixel rows)
 * behind a 14-byte BITMAPFILEHEADER. */

/* Bytes from the start of a packed DIB to its pixel rows: the header's biSize plus
 * the colour table (biClrUsed entries, or 2^biBitCount when that is 0 and the depth
 * is 8 or less; three masks for BI_BITFIELDS with a 40-byte header). */
size_t PackedDibPixelOffset(const BITMAPINFOHEADER &header);

/* Bytes of the pixel rows: |biHeight| rows of dib::RowStride bytes; 0 when the numbers
 * are unusable or too large. */
size_t PackedDibImageSize(const BITMAPINFOHEADER &header);

/* Writes `size` bytes of packed DIB as a .bmp file. */
bool WriteBmpFile(const std::string &path, const BYTE *packedDib, size_t size, std::string *error);

/* Reads a .bmp file and returns its packed DIB (everything after the file header),
 * checked to hold at least the rows its header announces. */
bool ReadBmpFile(const std::string &path, std::vector<BYTE> *packedDib, std::string *error);

}  // namespace qvhost

#endif
