// qvhost export OUT.wmv: writes a Windows Media file through the plug-in, as the host
// application does: format record, then frames and audio chunks one call at a time.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "export_media.h"
#include "export_profiles.h"
#include "output_file.h"

namespace {

const char kUsage[] =
    "OUT.wmv (--pattern FRAMES [--size WxH] | FRAME.bmp...) [--wav AUDIO.wav] [--rate FPS] [--profile N]";

struct ExportRequest {
  std::string output;
  std::vector<std::string> bitmaps;
  LONG patternFrames = 0;
  LONG width = 320;
  LONG height = 240;
  std::string wav;
  LONG frameRate = 30000;  // frames per 1,000 seconds
  LONG profile = -1;       // -1: the saved choice
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
    if (arg == "--pattern" || arg == "--size" || arg == "--wav" || arg == "--rate" || arg == "--profile") {
      if (!hasValue) {
        *error = arg + " needs a value";
        return false;
      }
      const std::string &value = args[++i];
      bool ok = true;
      if (arg == "--pattern") ok = qvhost::ParseLong(value, &request->patternFrames) && request->patternFrames > 0, pattern = true;
      if (arg == "--size") ok = ParseSize(value, &request->width, &request->height);
      if (arg == "--wav") request->wav = value;
      if (arg == "--rate") ok = ParseRate(value, &request->frameRate);
      if (arg == "--profile") ok = qvhost::ParseLong(value, &request->profile) && request->profile >= 0;
      if (!ok) {
        *error = "bad value for " + arg + ": " + value;
        return false;
      }
    } else if (!arg.empty() && arg[0] == '-') {
      *error = "unknown option " + arg;
      return false;
    } else if (request->output.empty()) {
      request->output = arg;
    } else {
      request->bitmaps.push_back(arg);
    }
  }
  if (request->output.empty() || pattern == !request->bitmaps.empty()) {
    *error = std::string("usage: export ") + kUsage;
    return false;
  }
  return true;
}

// The frames, one packed DIB at a time, all of one size.
class FrameSource {
 public:
  explicit FrameSource(const ExportRequest &request) : request_(request) {}

  LONG count() const { return request_.patternFrames ? request_.patternFrames : static_cast<LONG>(request_.bitmaps.size()); }

  // Reads the first frame to learn the size; the header goes into `header`.
  bool Open(BITMAPINFOHEADER *header, std::string *error) {
    if (request_.patternFrames) {
      dib_ = qvhost::NewPackedDib(request_.width, request_.height);
    } else if (!Load(0, error)) {
      return false;
    }
    std::memcpy(header, dib_.data(), sizeof(*header));
    width_ = header->biWidth;
    height_ = header->biHeight;
    return true;
  }

  const std::vector<BYTE> *Frame(LONG index, std::string *error) {
    if (request_.patternFrames) {
      qvhost::DrawTestPattern(&dib_, index);
    } else if (index > 0 && !Load(index, error)) {
      return nullptr;
    }
    return &dib_;
  }

 private:
  // Reads bitmap `index` into a packed DIB of exactly a header and its rows.
  bool Load(LONG index, std::string *error) {
    const std::string &path = request_.bitmaps[static_cast<size_t>(index)];
    std::vector<BYTE> file;
    if (!qvhost::ReadBmpFile(path, &file, error)) return false;
    BITMAPINFOHEADER header;
    std::memcpy(&header, file.data(), sizeof(header));
    std::string refusal = qvhost::FrameRefusal(header);
    if (!refusal.empty()) {
      *error = path + ": " + refusal;
      return false;
    }
    if (index > 0 && (header.biWidth != width_ || header.biHeight != height_)) {
      *error = path + ": " + std::to_string(header.biWidth) + "x" + std::to_string(header.biHeight) +
               " differs from the first frame's " + std::to_string(width_) + "x" + std::to_string(height_);
      return false;
    }
    dib_ = qvhost::NewPackedDib(header.biWidth, header.biHeight);
    size_t offset = qvhost::PackedDibPixelOffset(header);
    size_t rows = dib_.size() - sizeof(BITMAPINFOHEADER);
    std::memcpy(dib_.data() + sizeof(BITMAPINFOHEADER), file.data() + offset, rows);
    return true;
  }

  const ExportRequest &request_;
  std::vector<BYTE> dib_;
  LONG width_ = 0, height_ = 0;
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
  bool SendUntil(const qvhost::EntryPoints &pi, HGLOBAL block, LONG frame, const std::string &output) {
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
      if (!pi.piLocalSaveData(0, block, qpl::kTransferAudio, output.c_str())) return false;
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

// Reports a save or transfer end that failed: what, why as far as the host could see
// while the file was still there (else `otherwise`), and what became of the file once
// the transfer ended (the plug-in removes an incomplete one).
int ReportFailedWrite(qvhost::CommandContext &context, const std::string &output, const std::string &what,
                      const std::string &cause, const std::string &otherwise) {
  bool left = qvhost::FileExists(output);
  return qvhost::Fail(context, "%s: %s; %s", what.c_str(), cause.empty() ? otherwise.c_str() : cause.c_str(),
                      left ? ("an incomplete " + output + " was left").c_str() : "no file was left");
}

int RunExport(qvhost::CommandContext &context) {
  ExportRequest request;
  std::string error;
  if (!ParseArguments(context.args, &request, &error)) return qvhost::Fail(context, "%s", error.c_str());

  FrameSource frames(request);
  BITMAPINFOHEADER bitmap;
  if (!frames.Open(&bitmap, &error)) return qvhost::Fail(context, "%s", error.c_str());
  qvhost::WavAudio audio;
  if (!request.wav.empty()) {
    if (!qvhost::ReadWavFile(request.wav, &audio, &error)) return qvhost::Fail(context, "%s", error.c_str());
    std::string refusal = qvhost::AudioRefusal(audio);
    if (!refusal.empty()) return qvhost::Fail(context, "%s: %s", request.wav.c_str(), refusal.c_str());
  }
  const qvhost::WavAudio *sound = request.wav.empty() ? nullptr : &audio;
  AudioFeed feed(sound, request.frameRate);

  LONG profile = -1;
  if (!qvhost::ChooseProfile(context.plugin, request.profile, &profile, &error))
    return qvhost::Fail(context, "%s", error.c_str());

  const qvhost::EntryPoints &pi = context.plugin.pi();
  qvhost::Instance instance(context.plugin);
  if (!instance) return qvhost::Fail(context, "the plug-in gave no instance block");
  HGLOBAL block = instance.handle();
  const HostFormat record = BuildRecord(request, frames.count(), bitmap, sound, feed.ChunkBytes());
  if (!pi.piLocalSetFormat(0, block, &record))
    return qvhost::Fail(context, "the plug-in refused the format (%ldx%ld at %.3f frames/s%s)",
                        static_cast<long>(bitmap.biWidth), static_cast<long>(bitmap.biHeight), request.frameRate / 1000.0,
                        sound ? " with audio" : "");
  pi.piLocalProcessDataStart(0, block);

  const std::string &output = request.output;
  const bool existed = qvhost::FileExists(output);
  const std::string noAudioInput = "the plug-in refused it (profile " + std::to_string(profile) +
                                   " may have no audio input)";
  qvhost::ProgressLine progress(context.err, "export");
  auto failWriting = [&](const std::string &what, const std::string &otherwise) {
    progress.Finish();
    std::string cause = qvhost::WhyTheFileCannotGrow(output);
    pi.piLocalProcessDataEnd(0, block);
    return ReportFailedWrite(context, output, what, cause, otherwise);
  };
  for (LONG i = 0; i < frames.count(); ++i) {
    const std::vector<BYTE> *dib = frames.Frame(i, &error);
    if (!dib) return qvhost::Fail(context, "%s", error.c_str());
    pi.piLocalSetData(0, block, dib->data(), static_cast<LONG>(dib->size()), 0, 0);
    if (!pi.piLocalSaveData(0, block, qpl::kTransferVideo, output.c_str())) {
      // No file after the first frame: the writer never began.
      if (i == 0 && (existed || !qvhost::FileExists(output))) {
        progress.Finish();
        return qvhost::Fail(context, "could not start writing %s: the file cannot be created there, or profile %ld "
                            "has no video input", output.c_str(), static_cast<long>(profile));
      }
      return failWriting("could not write frame " + std::to_string(i) + " to " + output, "the plug-in refused it");
    }
    if (!feed.SendUntil(pi, block, i, output))
      return failWriting("could not write the audio after frame " + std::to_string(i) + " to " + output,
                         noAudioInput);
    progress.Update(i + 1, frames.count());
  }
  if (!feed.SendUntil(pi, block, -1, output))
    return failWriting("could not write the last audio to " + output, noAudioInput);
  progress.Finish();
  std::string cause = qvhost::WhyTheFileCannotGrow(output);  // while the file is surely there
  if (!pi.piLocalProcessDataEnd(0, block))
    return ReportFailedWrite(context, output, "could not finish " + output, cause,
                             "the plug-in could not flush or close it");
  std::fprintf(context.out, "wrote %s: %ld frames of %ldx%ld at %.3f frames/s%s, profile %ld\n", request.output.c_str(),
               static_cast<long>(frames.count()), static_cast<long>(bitmap.biWidth), static_cast<long>(bitmap.biHeight),
               request.frameRate / 1000.0, sound ? " with audio" : "", static_cast<long>(profile));
  return 0;
}

const qvhost::CommandRegistrar registrar({"export", kUsage,
                                          "write a .wmv through the plug-in from .bmp frames or a test pattern, "
                                          "with optional .wav audio (--profile also saves the choice)",
                                          RunExport});

}  // namespace
