// qvhost export OUT.wmv: writes a Windows Media file through the plug-in, as the host
// application does: format record, then frames and audio chunks one call at a time.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "audio_convert.h"
#include "export_inputs.h"
#include "export_media.h"
#include "export_profiles.h"
#include "interrupt_watch.h"
#include "media_source.h"
#include "output_file.h"
#include "picture_file.h"
#include "whole_file.h"

namespace {

const char kUsage[] =
    "OUT.wmv (--pattern FRAMES [--size WxH] | PICTURE... | --from MEDIA) [--wav SOUND] [--rate FPS] [--profile N] "
    "[--force|-y]";

struct ExportRequest {
  std::string output;
  std::vector<std::string> bitmaps;
  LONG patternFrames = 0;
  LONG width = 320;
  LONG height = 240;
  std::string wav;
  std::string from;        // a media file whose video (else the frames given) and sound go out
  bool rateGiven = false;
  LONG frameRate = 30000;  // frames per 1,000 seconds
  LONG profile = -1;       // -1: the saved choice
  bool force = false;      // replace an existing output
};

bool ParseSize(const std::string &text, LONG *width, LONG *height) {
  size_t x = text.find('x');
  return x != std::string::npos && qvhost::ParseLong(text.substr(0, x), width) &&
         qvhost::ParseLong(text.substr(x + 1), height) && *width > 0 && *height > 0 && *width <= 16384 &&
         *height <= 16384;
}

bool ParseRate(const std::string &text, LONG *frameRate) {
  char *end = nullptr;
  double fps = std::strtod(text.c_str(), &end);
  if (text.empty() || *end || !(fps > 0) || fps > 1000) return false;
  *frameRate = static_cast<LONG>(std::lround(fps * 1000));
  return *frameRate > 0;
}

bool ParseArguments(const std::vector<std::string> &args, ExportRequest *request, std::string *error) {
  bool pattern = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string &arg = args[i];
    bool hasValue = i + 1 < args.size();
    if (arg == "--pattern" || arg == "--size" || arg == "--wav" || arg == "--rate" || arg == "--profile" ||
        arg == "--from") {
      if (!hasValue) {
        *error = arg + " needs a value";
        return false;
      }
      const std::string &value = args[++i];
      bool ok = true;
      if (arg == "--pattern") ok = qvhost::ParseLong(value, &request->patternFrames) && request->patternFrames > 0, pattern = true;
      if (arg == "--size") ok = ParseSize(value, &request->width, &request->height);
      if (arg == "--wav") request->wav = value;
      if (arg == "--from") request->from = value;
      if (arg == "--rate") ok = ParseRate(value, &request->frameRate), request->rateGiven = true;
      if (arg == "--profile") ok = qvhost::ParseLong(value, &request->profile) && request->profile >= 0;
      if (!ok) {
        *error = "bad value for " + arg + ": " + value;
        return false;
      }
    } else if (arg == "--force" || arg == "-y") {
      request->force = true;
    } else if (!arg.empty() && arg[0] == '-') {
      *error = "unknown option " + arg;
      return false;
    } else if (request->output.empty()) {
      request->output = arg;
    } else {
      request->bitmaps.push_back(arg);
    }
  }
  // The frames come from one place: a pattern, pictures, or the --from file's video.
  if (request->output.empty() || (pattern && !request->bitmaps.empty()) ||
      (!pattern && request->bitmaps.empty() && request->from.empty())) {
    *error = std::string("usage: export ") + kUsage;
    return false;
  }
  return true;
}

// The frames, one packed DIB at a time, all of one size.
class FrameSource {
 public:
  // `media`: the --from file, when its video gives the frames; `load` reads a picture.
  FrameSource(const ExportRequest &request, qvhost::MediaSource *media, qvhost::PictureLoader load)
      : request_(request), media_(media), load_(load) {}

  LONG count() const {
    if (media_) return media_->facts().frameCount;
    return request_.patternFrames ? request_.patternFrames : static_cast<LONG>(request_.bitmaps.size());
  }

  // Checks every picture before anything is written; gives the frames' header.
  bool Open(BITMAPINFOHEADER *header, std::string *error) {
    if (media_) {
      decoded_ = media_->NextFrame(error);
      if (!decoded_) return false;
      std::memcpy(header, decoded_->data(), sizeof(*header));
    } else if (request_.patternFrames) {
      dib_ = qvhost::NewPackedDib(request_.width, request_.height);
      std::memcpy(header, dib_.data(), sizeof(*header));
    } else if (!qvhost::CheckPictures(request_.bitmaps, load_, header, error)) {
      return false;
    }
    header_ = *header;
    return true;
  }

  const std::vector<BYTE> *Frame(LONG index, std::string *error) {
    if (media_) return index > 0 ? media_->NextFrame(error) : decoded_;
    if (request_.patternFrames) {
      qvhost::DrawTestPattern(&dib_, index);
      return &dib_;
    }
    // Checked once already; a picture changed since then still fails cleanly.
    const std::string &path = request_.bitmaps[static_cast<size_t>(index)];
    if (!load_(path, &dib_, error)) return nullptr;
    if (!SameSize()) {
      *error = path + " changed size during the export";
      return nullptr;
    }
    return &dib_;
  }

 private:
  bool SameSize() const {
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib_.data(), sizeof(header));
    return header.biWidth == header_.biWidth && header.biHeight == header_.biHeight;
  }

  const ExportRequest &request_;
  qvhost::MediaSource *media_;
  qvhost::PictureLoader load_;
  const std::vector<BYTE> *decoded_ = nullptr;  // the media's first frame
  std::vector<BYTE> dib_;
  BITMAPINFOHEADER header_ = {};
};

// The short form: without kHostFormatLongForm the plug-in reads the first 76 bytes.
HostFormat BuildRecord(const ExportRequest &request, LONG frames, const BITMAPINFOHEADER &bitmap,
                       const qvhost::WavAudio *audio, DWORD audioBufferSize) {
  HostFormat record = {};
  record.flags = audio ? kHostFormatVideo | kHostFormatAudio : kHostFormatVideo;
  record.frameCount = frames;
  record.frameRate = request.frameRate;
  record.bitmap = bitmap;
  if (audio) {
    record.audioLength = static_cast<LONG>(audio->data.size() / audio->blockAlign);
    record.wave = {audio->formatTag,      audio->channels,   audio->samplesPerSecond,
                   audio->bytesPerSecond, audio->blockAlign, audio->bitsPerSample};
    record.audioBufferSize = audioBufferSize;
  }
  return record;
}

// Why the runtime could not write the file: the system's words for the error it
// left (GetLastError), with what the host sees of the file (`seen`); empty when
// neither says anything.
std::string CauseOf(DWORD code, const std::string &seen) {
  std::string said = code ? qvhost::SystemMessage(code) : std::string();
  if (said.empty()) return seen;
  return seen.empty() ? said : said + " (" + seen + ")";
}

// One export through the plug-in's instance block, from the first frame to the
// transfer's end. The plug-in writes `file`'s temporary name; the output takes the
// new file's place only once the transfer has ended it whole.
class Transfer {
 public:
  Transfer(qvhost::CommandContext &context, HGLOBAL block, wholefile::PendingFile &file, bool replace, LONG profile)
      : context_(context), pi_(context.plugin.pi()), block_(block), file_(file), output_(file.path()),
        replace_(replace), profile_(profile), existed_(wholefile::NameTaken(output_)),
        progress_(context.err, "export") {}

  // The name the plug-in writes.
  const char *name() const { return file_.temporary().c_str(); }

  // Hands the plug-in one piece; on failure the runtime's last error stays for Cause.
  bool Save(LONG kind) {
    SetLastError(0);
    return pi_.piLocalSaveData(0, block_, kind, name());
  }

  // Nothing was saved yet, so there is nothing to remove.
  int Abandon(const std::string &message) {
    progress_.Finish();
    pi_.piLocalProcessDataEnd(0, block_);
    return qvhost::Fail(context_, "%s", message.c_str());
  }

  // The first frame could not be saved: the writer never began.
  int FailToBegin(const std::string &what) {
    std::string cause = Cause();
    progress_.Finish();
    pi_.piLocalProcessDataEnd(0, block_);
    if (cause.empty())
      cause = "the plug-in's writer did not begin with profile " + std::to_string(profile_) + " for " + what;
    return qvhost::Fail(context_, "could not start writing %s: %s; %s", output_.c_str(), cause.c_str(),
                        Discard().c_str());
  }

  // A later save failed. A transfer that still ends whole had nothing fail in the
  // writer: the plug-in refused the piece before writing it (`refused` says why).
  int FailWriting(const std::string &what, const std::string &refused) {
    std::string cause = Cause();
    progress_.Finish();
    bool whole = pi_.piLocalProcessDataEnd(0, block_);
    if (cause.empty()) cause = whole ? refused : "the media runtime could not write it";
    return qvhost::Fail(context_, "%s: %s; %s", what.c_str(), cause.c_str(), Discard().c_str());
  }

  // Every piece was saved: ends the transfer and puts the file in the output's place.
  // False, with the message given, when that could not be done.
  bool Finish(int *status) {
    progress_.Finish();
    std::string error;
    if (!End(&error)) {
      *status = qvhost::Fail(context_, "could not finish %s: %s; %s", output_.c_str(), error.c_str(),
                             Discard().c_str());
      return false;
    }
    return true;
  }

  // A signal asked to stop before frame `frame`: the frames written so far are ended
  // as a complete file, which takes the output's place as a finished export would.
  int Stop(int signal, LONG frame, LONG frames, LONG frameRate) {
    progress_.Finish();
    int status = qvhost::InterruptWatch::ExitStatus(signal);
    const char *name = qvhost::InterruptWatch::Name(signal);
    if (frame == 0) {
      pi_.piLocalProcessDataEnd(0, block_);
      qvhost::Fail(context_, "%s: stopped before the first frame; %s", name, Discard().c_str());
      return status;
    }
    std::string error;
    if (!End(&error)) {
      qvhost::Fail(context_, "%s: stopped at frame %ld, but %s could not be finished: %s; %s", name,
                   static_cast<long>(frame), output_.c_str(), error.c_str(), Discard().c_str());
      return status;
    }
    qvhost::Fail(context_, "%s: stopped at frame %ld of %ld: wrote %ld frames (%.3f s) to %s, a complete file", name,
                 static_cast<long>(frame), static_cast<long>(frames), static_cast<long>(frame),
                 frame * 1000.0 / frameRate, output_.c_str());
    return status;
  }

  qvhost::ProgressLine &progress() { return progress_; }

 private:
  // The runtime's last error and what the host sees, while the file is still there.
  std::string Cause() const {
    DWORD code = GetLastError();
    return CauseOf(code, qvhost::WhyTheFileCannotGrow(file_.temporary()));
  }

  // Ends the transfer and keeps the file; false with `error` saying why not.
  bool End(std::string *error) {
    std::string seen = qvhost::WhyTheFileCannotGrow(file_.temporary());  // the plug-in removes a failed file
    SetLastError(0);
    if (!pi_.piLocalProcessDataEnd(0, block_)) {
      *error = CauseOf(GetLastError(), seen);
      if (error->empty()) *error = "the plug-in could not finish it";
      return false;
    }
    return file_.Keep(replace_, error);
  }

  // Nothing of a failed export stays, and what was there before stays as it was.
  std::string Discard() {
    file_.Discard();
    return existed_ ? output_ + " is as it was" : "no file was left";
  }

  qvhost::CommandContext &context_;
  const qvhost::EntryPoints &pi_;
  HGLOBAL block_;
  wholefile::PendingFile &file_;
  const std::string &output_;
  bool replace_;
  LONG profile_;
  bool existed_;
  qvhost::ProgressLine progress_;
};

// Audio goes out after each frame, up to that frame's end, in whole sample frames.
class AudioFeed {
 public:
  AudioFeed(const qvhost::WavAudio *audio, LONG frameRate) : audio_(audio), frameRate_(frameRate) {
    if (audio_) total_ = audio_->data.size() / audio_->blockAlign;
  }
  DWORD ChunkBytes() const {
    if (!audio_) return 0;
    unsigned long long perFrame = (static_cast<unsigned long long>(audio_->samplesPerSecond) * 1000 + frameRate_ - 1) / frameRate_;
    return static_cast<DWORD>((perFrame + 1) * audio_->blockAlign);
  }
  // Sends audio up to the end of frame `frame` (all of it when `frame` is -1).
  bool SendUntil(const qvhost::EntryPoints &pi, HGLOBAL block, LONG frame, Transfer &transfer) {
    if (!audio_) return true;
    size_t target = total_;
    if (frame >= 0) {
      unsigned long long end = (static_cast<unsigned long long>(frame) + 1) * audio_->samplesPerSecond * 1000 / frameRate_;
      if (end < target) target = static_cast<size_t>(end);
    }
    size_t chunk = ChunkBytes() / audio_->blockAlign;
    while (sent_ < target) {
      size_t count = target - sent_ < chunk ? target - sent_ : chunk;
      const BYTE *bytes = audio_->data.data() + sent_ * audio_->blockAlign;
      pi.piLocalSetData(0, block, bytes, static_cast<LONG>(count * audio_->blockAlign), 0, 0);
      if (!transfer.Save(qpl::kTransferAudio)) return false;
      sent_ += count;
    }
    return true;
  }

 private:
  const qvhost::WavAudio *audio_;
  LONG frameRate_;
  size_t total_ = 0;
  size_t sent_ = 0;
};

// Opens the --from file: its video gives the frames unless pictures or a pattern do, its
// sound goes out unless --wav names other sound, and its frame rate holds unless --rate.
bool OpenMediaSource(qvhost::CommandContext &context, ExportRequest *request,
                     std::unique_ptr<qvhost::MediaSource> *media, std::string *error) {
  *media = qvhost::MediaSource::Open(request->from, error);
  if (!*media) return false;
  const qvhost::MediaSource::Facts &facts = (*media)->facts();
  bool framesGiven = request->patternFrames || !request->bitmaps.empty();
  if (!framesGiven && !facts.hasVideo) {
    *error = request->from + " has no video: give the frames as pictures or --pattern FRAMES";
    return false;
  }
  if (!framesGiven && facts.frameCount <= 0) {
    *error = request->from + " has no video frames";
    return false;
  }
  if (!framesGiven && !request->rateGiven) {
    if (facts.frameRate > 0) {
      request->frameRate = facts.frameRate;
    } else {
      std::fprintf(context.err, "qvhost: export: %s names no frame rate; using %.3f frames/s (see --rate)\n",
                   request->from.c_str(), request->frameRate / 1000.0);
    }
  }
  if (request->wav.empty() && facts.hasAudio) request->wav = request->from;
  return true;
}

bool HasMediaExtension(const std::string &path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".wmv" || extension == ".asf";
}

// Where a backslash is not this system's separator, it is still the media runtime's:
// the file would be written under another name, in another folder.
bool HasBackslashInAName(const std::string &path) {
  for (const std::filesystem::path &part : std::filesystem::path(path))
    if (part.string().find('\\') != std::string::npos) return true;
  return false;
}

// Pictures of any kind the host reads (see picture_file.h), as 24-bit frames.
const qvhost::PictureLoader kPictureLoader = qvhost::ReadPicture;

int RunExport(qvhost::CommandContext &context) {
  ExportRequest request;
  std::string error;
  if (!ParseArguments(context.args, &request, &error)) return qvhost::Fail(context, "%s", error.c_str());

  // Nothing is written until the output and every input have passed.
  std::vector<std::string> inputs = request.bitmaps;
  if (!request.wav.empty()) inputs.push_back(request.wav);
  if (!request.from.empty()) inputs.push_back(request.from);
  std::string misnamed;
  if (!HasMediaExtension(request.output))
    misnamed = request.output + " does not end in .wmv or .asf (the first name after export is the file to write)";
  else if (HasBackslashInAName(request.output))
    misnamed = request.output + ": the plug-in's media runtime takes a backslash for a folder separator; name the "
               "file without one";
  std::string refusal = qvhost::OutputRefusal(request.output, inputs, request.force, misnamed);
  if (!refusal.empty()) return qvhost::Fail(context, "%s", refusal.c_str());
  std::unique_ptr<qvhost::MediaSource> media;
  if (!request.from.empty() && !OpenMediaSource(context, &request, &media, &error))
    return qvhost::Fail(context, "%s", error.c_str());
  bool framesFromMedia = media && request.bitmaps.empty() && !request.patternFrames;
  FrameSource frames(request, framesFromMedia ? media.get() : nullptr, kPictureLoader);
  BITMAPINFOHEADER bitmap;
  if (!frames.Open(&bitmap, &error)) return qvhost::Fail(context, "%s", error.c_str());
  qvhost::WavAudio audio;
  if (!request.wav.empty()) {
    std::string note;
    if (!qvhost::ReadSound(request.wav, &audio, &note, &error)) return qvhost::Fail(context, "%s", error.c_str());
    if (!note.empty()) std::fprintf(context.err, "qvhost: export: %s\n", note.c_str());
  }
  const qvhost::WavAudio *sound = request.wav.empty() ? nullptr : &audio;
  AudioFeed feed(sound, request.frameRate);

  // From here on Ctrl-C, SIGTERM and SIGHUP end the export properly instead of leaving
  // half a file.
  qvhost::InterruptWatch interrupts;
  // The plug-in writes a new file beside the output, which takes the output's place
  // only once it is whole.
  wholefile::PendingFile file;
  if (!file.Create(request.output, qvhost::kTemporaryTag, &error) || !file.Close(&error))
    return qvhost::Fail(context, "%s", error.c_str());
  if (file.temporary().size() >= MAX_PATH)
    return qvhost::Fail(context, "%s: the plug-in takes names of fewer than %d bytes, and the file is written first "
                        "as %s", request.output.c_str(), MAX_PATH, file.temporary().c_str());
  LONG profile = -1;
  if (!qvhost::ChooseProfile(context.plugin, request.profile, &profile, &error))
    return qvhost::Fail(context, "%s", error.c_str());

  const qvhost::EntryPoints &pi = context.plugin.pi();
  qvhost::Instance instance(context.plugin);
  if (!instance) return qvhost::Fail(context, "the plug-in gave no instance block");
  HGLOBAL block = instance.handle();
  const HostFormat record = BuildRecord(request, frames.count(), bitmap, sound, feed.ChunkBytes());
  char shape[96];
  std::snprintf(shape, sizeof shape, "%ldx%ld at %.3f frames/s%s", static_cast<long>(bitmap.biWidth),
                static_cast<long>(bitmap.biHeight), request.frameRate / 1000.0, sound ? " with audio" : "");
  if (!pi.piLocalSetFormat(0, block, &record))
    return qvhost::Fail(context, "the plug-in refused the format (%s)", shape);
  pi.piLocalProcessDataStart(0, block);

  const std::string &output = request.output;
  Transfer transfer(context, block, file, request.force, profile);
  const std::string noAudioInput = "profile " + std::to_string(profile) + " has no audio input";
  for (LONG i = 0; i < frames.count(); ++i) {
    if (interrupts.signal()) return transfer.Stop(interrupts.signal(), i, frames.count(), request.frameRate);
    const std::vector<BYTE> *dib = frames.Frame(i, &error);
    if (!dib && i == 0) return transfer.Abandon(error);
    if (!dib) return transfer.FailWriting("could not read frame " + std::to_string(i), error);
    pi.piLocalSetData(0, block, dib->data(), static_cast<LONG>(dib->size()), 0, 0);
    if (!transfer.Save(qpl::kTransferVideo)) {
      if (i == 0) return transfer.FailToBegin(shape);
      return transfer.FailWriting("could not write frame " + std::to_string(i) + " to " + output,
                                  "the plug-in refused it");
    }
    if (!feed.SendUntil(pi, block, i, transfer))
      return transfer.FailWriting("could not write the audio after frame " + std::to_string(i) + " to " + output,
                                  noAudioInput);
    transfer.progress().Update(i + 1, frames.count());
  }
  if (!feed.SendUntil(pi, block, -1, transfer))
    return transfer.FailWriting("could not write the last audio to " + output, noAudioInput);
  int status = 1;
  if (!transfer.Finish(&status)) return status;
  // A chosen profile becomes the saved choice only now that it has made a file.
  if (request.profile >= 0 && !qvhost::SaveProfileChoice(profile))
    std::fprintf(context.err, "qvhost: export: note: profile %ld could not be saved as the choice for later exports\n",
                 static_cast<long>(profile));
  std::fprintf(context.out, "wrote %s: %ld frames of %s, profile %ld\n", output.c_str(),
               static_cast<long>(frames.count()), shape, static_cast<long>(profile));
  return 0;
}

const qvhost::CommandRegistrar registrar({"export", kUsage,
                                          "write a .wmv through the plug-in from pictures, a test pattern or "
                                          "the video of any media file (--from), with its or other sound (--wav); "
                                          "--profile also saves the choice once the file is written; --force "
                                          "replaces an existing file once the new one is whole",
                                          RunExport});

}  // namespace
