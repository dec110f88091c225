// qvhost frames FILE (--at N | --from A --to B [--every K]) -o DIR|NAME.png|NAME.bmp
// [--format bmp|png]: frames of a media file as pictures, fetched through the plug-in
// one position at a time.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "host.h"
#include "import_media.h"
#include "output_file.h"
#include "png_file.h"

namespace {

const char kUsage[] =
    "FILE (--at N | --from A --to B [--every K]) -o DIR|NAME.png|NAME.bmp [--format png|bmp] [--force|-y]";

struct FrameRange {
  LONG from = -1;
  LONG to = -1;
  LONG every = 1;
  std::string file;
  std::string output;  // a folder, or a picture's name (numbered when there are several)
  std::string format;  // "bmp" or "png"
  bool named = false;  // `output` names the picture rather than its folder
  bool force = false;  // replace existing pictures
};

// "png" for "shot.PNG", "bmp" for "a.bmp", empty for anything else.
std::string PictureExtension(const std::string &name) {
  std::string extension = std::filesystem::path(name).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".png" || extension == ".bmp" ? extension.substr(1) : std::string();
}

bool ParseArguments(const std::vector<std::string> &args, FrameRange *range, std::string *error) {
  bool at = false, from = false, to = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string &arg = args[i];
    bool hasValue = i + 1 < args.size();
    LONG value = 0;
    if (arg == "--at" || arg == "--from" || arg == "--to" || arg == "--every") {
      if (!hasValue || !qvhost::ParseLong(args[i + 1], &value)) {
        *error = arg + (arg == "--every" ? " needs a whole number, 1 or more" : " needs a position, 0 or more");
        return false;
      }
      ++i;
      if (arg == "--at") at = true, range->from = range->to = value;
      if (arg == "--from") from = true, range->from = value;
      if (arg == "--to") to = true, range->to = value;
      if (arg == "--every") range->every = value;
    } else if (arg == "-o") {
      if (!hasValue) {
        *error = "-o needs a folder or a picture's name";
        return false;
      }
      range->output = args[++i];
    } else if (arg == "--format") {
      if (!hasValue || (args[i + 1] != "png" && args[i + 1] != "bmp")) {
        *error = "--format takes png or bmp";
        return false;
      }
      range->format = args[++i];
    } else if (arg == "--force" || arg == "-y") {
      range->force = true;
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
  if (range->file.empty() || range->output.empty() || at == (from || to) || (from != to)) {
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
  std::string named = PictureExtension(range->output);
  // A name with another extension is a picture of a kind not written here, rather
  // than a folder to make; an existing folder, or one named with a final slash, is one.
  std::error_code error_code;
  bool folder = std::filesystem::is_directory(range->output, error_code) || range->output.back() == '/';
  if (!folder && named.empty() && std::filesystem::path(range->output).has_extension()) {
    *error = "-o " + range->output + ": pictures are written as .png or .bmp (a folder's name ends in /)";
    return false;
  }
  if (folder) named.clear();
  if (!named.empty() && !range->format.empty() && named != range->format) {
    *error = "-o " + range->output + " names a ." + named + " file, but --format asks for " + range->format;
    return false;
  }
  range->named = !named.empty();
  if (range->format.empty()) range->format = range->named ? named : "bmp";
  return true;
}

// DIR/frame-000012.png, or the name given: as it is for one frame, numbered for several
// (shot.png: shot-000012.png).
std::string FramePath(const FrameRange &range, LONG position) {
  char number[16];
  std::snprintf(number, sizeof(number), "%06ld", (long)position);
  if (!range.named)
    return (std::filesystem::path(range.output) / ("frame-" + std::string(number) + "." + range.format)).string();
  if (range.from == range.to) return range.output;
  std::filesystem::path name(range.output);
  return (name.parent_path() / (name.stem().string() + "-" + number + name.extension().string())).string();
}

int RunFrames(qvhost::CommandContext &context) {
  FrameRange range;
  std::string error;
  if (!ParseArguments(context.args, &range, &error)) return qvhost::Fail(context, "%s", error.c_str());
  // Asked for a picture format this build cannot write: say so before any work.
  bool png = range.format == "png";
  if (png && !qvhost::CanWritePng(&error)) return qvhost::Fail(context, "%s", error.c_str());

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

  std::string folder = range.named ? std::filesystem::path(range.output).parent_path().string() : range.output;
  std::error_code made;
  if (!folder.empty()) std::filesystem::create_directories(folder, made);
  if (made) return qvhost::Fail(context, "cannot make folder %s: %s", folder.c_str(), made.message().c_str());
  // Nothing is written until every picture's name has passed; the input is never one.
  for (LONG position = range.from; position <= range.to; position += range.every) {
    std::string refusal = qvhost::OutputRefusal(FramePath(range, position), {range.file}, range.force);
    if (!refusal.empty()) return qvhost::Fail(context, "%s", refusal.c_str());
    if (range.to - position < range.every) break;
  }

  long total = (range.to - range.from) / range.every + 1;
  qvhost::ProgressLine progress(context.err, "frames", qvhost::ProgressLine::Unit::kFrames, context.quiet);
  long done = 0;
  for (LONG position = range.from; position <= range.to; position += range.every) {
    pi.piLocalLength(0, instance.handle(), position);
    if (!pi.piLocalLoadData(0, instance.handle(), qpl::kTransferVideo, range.file.c_str()))
      return qvhost::Fail(context, "no frame at position %ld of %s", (long)position, range.file.c_str());
    // The frame bitmap stays the plug-in's: written from where it lies, never freed.
    HGLOBAL frame = pi.piLocalGetData(0, instance.handle());
    const SIZE_T size = frame ? GlobalSize(frame) : 0;
    const BYTE *dib = frame ? static_cast<const BYTE *>(GlobalLock(frame)) : nullptr;
    std::string path = FramePath(range, position);
    bool written = png ? qvhost::WritePngFile(path, dib, size, &error) : qvhost::WriteBmpFile(path, dib, size, &error);
    if (dib) GlobalUnlock(frame);
    if (!written) return qvhost::Fail(context, "%s", error.c_str());
    progress.Update(++done, total);
    if (range.to - position < range.every) break;  // no overflow past LONG's end
  }
  progress.Finish();
  return 0;
}

const qvhost::CommandRegistrar registrar(
    {"frames", kUsage, "write frames of a media file as .bmp or .png pictures; --force replaces existing ones",
     RunFrames,
     "  --at N            the frame at position N (0 or more; 30 positions a second)\n"
     "  --from A --to B   the frames from position A to B, both included\n"
     "  --every K         every Kth frame of the range (1 or more)\n"
     "  -o DIR            pictures DIR/frame-000012.bmp, ... (the folder is made)\n"
     "  -o NAME.png       one picture, or NAME-000012.png, ... for a range (also .bmp)\n"
     "  --format png|bmp  the pictures' format in a folder (default bmp)\n"
     "  --force, -y       replace pictures already there\n"
     "  --quiet, -q       errors only: no progress\n",
     "  qvhost frames clip.wmv --at 150 -o middle.png\n"
     "  qvhost frames clip.wmv --from 0 --to 299 --every 30 -o frames/ --format png\n"});

}  // namespace
