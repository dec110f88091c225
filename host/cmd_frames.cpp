// qvhost frames FILE (--at N | --from A --to B [--every K]) -o DIR: frames of a media
// file as .bmp files, fetched through the plug-in one position at a time.
#include <filesystem>
#include <system_error>

#include "host.h"
#include "import_media.h"

namespace {

const char kUsage[] = "FILE (--at N | --from A --to B [--every K]) -o DIR";

struct FrameRange {
  LONG from = -1;
  LONG to = -1;
  LONG every = 1;
  std::string file;
  std::string folder;
};

bool ParseArguments(const std::vector<std::string> &args, FrameRange *range, std::string *error) {
  bool at = false, from = false, to = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string &arg = args[i];
    bool hasValue = i + 1 < args.size();
    LONG value = 0;
    if (arg == "--at" || arg == "--from" || arg == "--to" || arg == "--every") {
      if (!hasValue || !qvhost::ParseLong(args[i + 1], &value)) {
        *error = arg + " needs a whole number";
        return false;
      }
      ++i;
      if (arg == "--at") at = true, range->from = range->to = value;
      if (arg == "--from") from = true, range->from = value;
      if (arg == "--to") to = true, range->to = value;
      if (arg == "--every") range->every = value;
    } else if (arg == "-o") {
      if (!hasValue) {
        *error = "-o needs a folder";
        return false;
      }
      range->folder = args[++i];
    } else if (!arg.empty() && arg[0] == '-') {
      *error = "unknown option " + arg;
      return false;
    } else if (range->file.empty()) {
      range->file = arg;
    } else {
      *error = "more than one file given";
      return false;
    }
  }
  if (range->file.empty() || range->folder.empty() || at == (from || to) || (from != to)) {
    *error = std::string("usage: frames ") + kUsage;
    return false;
  }
  if (range->from < 0 || range->to < range->from) {
    *error = "positions must be 0 or more, and --from no later than --to";
    return false;
  }
  if (range->every < 1) {
    *error = "--every must be 1 or more";
    return false;
  }
  return true;
}

std::string FramePath(const std::string &folder, LONG position) {
  char name[32];
  std::snprintf(name, sizeof(name), "frame-%06ld.bmp", (long)position);
  return (std::filesystem::path(folder) / name).string();
}

int RunFrames(qvhost::CommandContext &context) {
  FrameRange range;
  std::string error;
  if (!ParseArguments(context.args, &range, &error)) return qvhost::Fail(context, "%s", error.c_str());

  const qvhost::EntryPoints &pi = context.plugin.pi();
  qvhost::Instance instance(context.plugin);
  if (!instance) return qvhost::Fail(context, "the plug-in made no instance");
  HostFormat format;
  if (!qvhost::ReadMediaFormat(context.plugin, instance, range.file, &format, &error))
    return qvhost::Fail(context, "%s", error.c_str());
  if (!(format.flags & kHostFormatVideo))
    return qvhost::Fail(context, "%s has no video", range.file.c_str());
  if (range.to >= format.frameCount)
    return qvhost::Fail(context, "position %ld is past the end of %s (%ld frames)", (long)range.to,
                        range.file.c_str(), (long)format.frameCount);

  std::error_code made;
  std::filesystem::create_directories(range.folder, made);
  if (made) return qvhost::Fail(context, "cannot make folder %s: %s", range.folder.c_str(), made.message().c_str());

  long total = (range.to - range.from) / range.every + 1;
  qvhost::ProgressLine progress(context.err, "frames");
  long done = 0;
  for (LONG position = range.from; position <= range.to; position += range.every) {
    pi.piLocalLength(0, instance.handle(), position);
    if (!pi.piLocalLoadData(0, instance.handle(), qpl::kTransferVideo, range.file.c_str()))
      return qvhost::Fail(context, "no frame at position %ld of %s", (long)position, range.file.c_str());
    // The frame bitmap stays the plug-in's: copy it, never free it.
    std::vector<BYTE> dib = qvhost::CopyGlobal(pi.piLocalGetData(0, instance.handle()));
    std::string path = FramePath(range.folder, position);
    if (!qvhost::WriteBmpFile(path, dib.data(), dib.size(), &error))
      return qvhost::Fail(context, "cannot write %s: %s", path.c_str(), error.c_str());
    progress.Update(++done, total);
    if (range.to - position < range.every) break;  // no overflow past LONG's end
  }
  progress.Finish();
  return 0;
}

const qvhost::CommandRegistrar registrar(
    {"frames", kUsage, "write frames of a media file as .bmp files", RunFrames});

}  // namespace
