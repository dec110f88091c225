// qvhost info FILE [--raw | --json]: what the plug-in reads from a media file, in a
// person's terms first, then the host format record it reports, field by field; or all
// of it as one JSON document.
#include <inttypes.h>

#include <cstdlib>
#include <string>

#include "audio_convert.h"
#include "host.h"
#include "import_media.h"
#include "json_writer.h"
#include "media_source.h"

namespace {

// The import presents every file at this rate, whatever the file's own.
constexpr LONG kPresentedPerThousandSeconds = 30000;

std::string Seconds(double seconds) {
  char text[48];
  if (seconds < 60) {
    std::snprintf(text, sizeof text, "%.2f s", seconds);
  } else {
    long whole = static_cast<long>(seconds);
    std::snprintf(text, sizeof text, "%ld:%02ld:%05.2f (%.2f s)", whole / 3600, whole / 60 % 60,
                  seconds - static_cast<double>(whole / 60 * 60), seconds);
  }
  return text;
}

void PrintStreams(FILE *out, const LONG (&kinds)[kOutputKindSlots]) {
  int last = -1;
  for (int i = 0; i < kOutputKindSlots; ++i)
    if (kinds[i] != 0) last = i;
  std::fprintf(out, "  streams:  ");
  if (last < 0) std::fprintf(out, " none the plug-in reads");
  for (int i = 0; i <= last; ++i) {
    std::string what = kinds[i] == 1 ? "video" : kinds[i] >= 2 ? "sound " + std::to_string(kinds[i] - 1) : "not read";
    std::fprintf(out, "%s output %d %s", i ? "," : "", i, what.c_str());
  }
  std::fprintf(out, "\n");
}

// Seconds of the file: of its sound when it has some, else of its frames.
double DurationSeconds(const HostFormat &f) {
  if ((f.flags & kHostFormatAudio) && f.wave.nSamplesPerSec)
    return static_cast<double>(f.audioLength) / f.wave.nSamplesPerSec;
  return f.frameRate > 0 ? f.frameCount * 1000.0 / f.frameRate : 0;
}

// The file's own frame rate in frames per 1,000 seconds, as FFmpeg reads it; 0 when this
// qvhost cannot tell.
LONG OwnFrameRate(const std::string &file) {
  std::string error;
  std::unique_ptr<qvhost::MediaSource> media = qvhost::MediaSource::Open(file, &error);
  return media && media->facts().hasVideo && media->facts().frameRate > 0 ? media->facts().frameRate : 0;
}

// What 30 frames per second means for this file: FFmpeg gives the file's own rate, when
// this qvhost has it.
void PrintPresentation(FILE *out, const std::string &file) {
  std::fprintf(out,
               "  The plug-in presents every file at 30 frames per second, whatever its own rate: position n\n"
               "  is the picture shown at n/30 s, and the record's frame rate 30000 counts frames per 1,000\n"
               "  seconds. A 25 fps clip of 10 s thus has 300 positions, and one position in six shows the\n"
               "  same frame as the one before it.\n");
  LONG ownRate = OwnFrameRate(file);
  if (ownRate == 0) return;
  double own = ownRate / 1000.0;
  std::fprintf(out, "  This file's own rate is %.3f fps (as FFmpeg reads it)", own);
  if (ownRate == kPresentedPerThousandSeconds)
    std::fprintf(out, ": each position is one of its frames.\n");
  else if (own < 30)
    std::fprintf(out, ": some frames show at two positions.\n");
  else
    std::fprintf(out, ": positions skip some of its frames.\n");
}

void PrintSummary(FILE *out, const std::string &file, const HostFormat &f, const LONG (&kinds)[kOutputKindSlots],
                  bool haveKinds) {
  bool video = f.flags & kHostFormatVideo, sound = f.flags & kHostFormatAudio;
  std::fprintf(out, "%s: %s\n", file.c_str(),
               video && sound ? "video and sound" : video ? "video, no sound" : sound ? "sound, no video"
                                                                                   : "nothing the plug-in reads");
  if (haveKinds) PrintStreams(out, kinds);
  if (video)
    std::fprintf(out, "  picture:   %ldx%ld, handed out as 24-bit pictures\n", static_cast<long>(f.bitmap.biWidth),
                 std::labs(static_cast<long>(f.bitmap.biHeight)));
  double seconds = DurationSeconds(f);
  if (video || sound) {
    std::fprintf(out, "  frames:    %ld, presented at %g frames per second\n", static_cast<long>(f.frameCount),
                 f.frameRate / 1000.0);
    std::fprintf(out, "  duration:  %s\n", Seconds(seconds).c_str());
  }
  if (sound) {
    qvhost::SoundDescription found;
    found.samplesPerSecond = f.wave.nSamplesPerSec;
    found.channels = f.wave.nChannels;
    found.bitsPerSample = f.wave.wBitsPerSample;
    std::fprintf(out, "  sound:     %s (%ld sample frames)\n", qvhost::DescribeSound(found).c_str(),
                 static_cast<long>(f.audioLength));
  }
  if (video) PrintPresentation(out, file);
}

void PrintRecord(FILE *out, const HostFormat &f) {
  std::fprintf(out, "format flags:      0x%08" PRIX32 "\n", (uint32_t)f.flags);
  std::fprintf(out, "frame count:       %" PRId32 "\n", (int32_t)f.frameCount);
  std::fprintf(out, "frame rate:        %" PRId32 "\n", (int32_t)f.frameRate);
  const BITMAPINFOHEADER &b = f.bitmap;
  std::fprintf(out, "biSize:            %" PRIu32 "\n", (uint32_t)b.biSize);
  std::fprintf(out, "biWidth:           %" PRId32 "\n", (int32_t)b.biWidth);
  std::fprintf(out, "biHeight:          %" PRId32 "\n", (int32_t)b.biHeight);
  std::fprintf(out, "biPlanes:          %u\n", (unsigned)b.biPlanes);
  std::fprintf(out, "biBitCount:        %u\n", (unsigned)b.biBitCount);
  std::fprintf(out, "biCompression:     %" PRIu32 "\n", (uint32_t)b.biCompression);
  std::fprintf(out, "biSizeImage:       %" PRIu32 "\n", (uint32_t)b.biSizeImage);
  std::fprintf(out, "biXPelsPerMeter:   %" PRId32 "\n", (int32_t)b.biXPelsPerMeter);
  std::fprintf(out, "biYPelsPerMeter:   %" PRId32 "\n", (int32_t)b.biYPelsPerMeter);
  std::fprintf(out, "biClrUsed:         %" PRIu32 "\n", (uint32_t)b.biClrUsed);
  std::fprintf(out, "biClrImportant:    %" PRIu32 "\n", (uint32_t)b.biClrImportant);
  std::fprintf(out, "audio length:      %" PRId32 "\n", (int32_t)f.audioLength);
  const HostWaveFormat &w = f.wave;
  std::fprintf(out, "wFormatTag:        %u\n", (unsigned)w.wFormatTag);
  std::fprintf(out, "nChannels:         %u\n", (unsigned)w.nChannels);
  std::fprintf(out, "nSamplesPerSec:    %" PRIu32 "\n", (uint32_t)w.nSamplesPerSec);
  std::fprintf(out, "nAvgBytesPerSec:   %" PRIu32 "\n", (uint32_t)w.nAvgBytesPerSec);
  std::fprintf(out, "nBlockAlign:       %u\n", (unsigned)w.nBlockAlign);
  std::fprintf(out, "wBitsPerSample:    %u\n", (unsigned)w.wBitsPerSample);
  std::fprintf(out, "audio buffer size: %" PRIu32 "\n", (uint32_t)f.audioBufferSize);
}

/* The kinds of the outputs, up to the last one that is not 0 (at least one). */
void PrintKinds(FILE *out, const LONG (&kinds)[kOutputKindSlots]) {
  int last = 0;
  for (int i = 0; i < kOutputKindSlots; ++i)
    if (kinds[i] != 0) last = i;
  std::fprintf(out, "output kinds:     ");
  for (int i = 0; i <= last; ++i) std::fprintf(out, " %" PRId32, (int32_t)kinds[i]);
  std::fprintf(out, "\n");
}

// The keys are documented in the manual page and the README; scripts rely on them.
void PrintJson(FILE *out, const std::string &file, const HostFormat &f, const LONG (&kinds)[kOutputKindSlots],
               bool haveKinds) {
  bool video = f.flags & kHostFormatVideo, sound = f.flags & kHostFormatAudio;
  qvhost::JsonWriter json(out);
  json.BeginObject();
  json.String("file", file);
  json.Bool("has_video", video);
  json.Bool("has_sound", sound);
  if (video) {
    json.Integer("width", f.bitmap.biWidth);
    json.Integer("height", std::labs(static_cast<long>(f.bitmap.biHeight)));
  } else {
    json.Null("width");
    json.Null("height");
  }
  json.Integer("frame_count", f.frameCount);
  json.Real("frames_per_second", f.frameRate / 1000.0);
  json.Real("duration", DurationSeconds(f));
  LONG ownRate = video ? OwnFrameRate(file) : 0;
  if (ownRate) json.Real("own_frames_per_second", ownRate / 1000.0);
  else json.Null("own_frames_per_second");
  if (sound) {
    json.BeginObject("sound");
    json.Integer("sample_rate", f.wave.nSamplesPerSec);
    json.Integer("channels", f.wave.nChannels);
    json.Integer("bits_per_sample", f.wave.wBitsPerSample);
    json.Integer("length", f.audioLength);
    json.EndObject();
  } else {
    json.Null("sound");
  }
  json.BeginArray("streams");
  for (int i = 0; haveKinds && i < kOutputKindSlots; ++i) {
    if (kinds[i] == 0) continue;
    json.BeginObject();
    json.Integer("output", i);
    json.String("type", kinds[i] == 1 ? "video" : "sound");
    if (kinds[i] >= 2) json.Integer("sound_stream", kinds[i] - 1);
    json.EndObject();
  }
  json.EndArray();
  json.BeginObject("record");
  json.Integer("flags", f.flags);
  json.Integer("frame_count", f.frameCount);
  json.Integer("frame_rate", f.frameRate);
  const BITMAPINFOHEADER &b = f.bitmap;
  json.BeginObject("bitmap");
  json.Integer("biSize", b.biSize);
  json.Integer("biWidth", b.biWidth);
  json.Integer("biHeight", b.biHeight);
  json.Integer("biPlanes", b.biPlanes);
  json.Integer("biBitCount", b.biBitCount);
  json.Integer("biCompression", b.biCompression);
  json.Integer("biSizeImage", b.biSizeImage);
  json.Integer("biXPelsPerMeter", b.biXPelsPerMeter);
  json.Integer("biYPelsPerMeter", b.biYPelsPerMeter);
  json.Integer("biClrUsed", b.biClrUsed);
  json.Integer("biClrImportant", b.biClrImportant);
  json.EndObject();
  json.Integer("audio_length", f.audioLength);
  const HostWaveFormat &w = f.wave;
  json.BeginObject("wave");
  json.Integer("wFormatTag", w.wFormatTag);
  json.Integer("nChannels", w.nChannels);
  json.Integer("nSamplesPerSec", w.nSamplesPerSec);
  json.Integer("nAvgBytesPerSec", w.nAvgBytesPerSec);
  json.Integer("nBlockAlign", w.nBlockAlign);
  json.Integer("wBitsPerSample", w.wBitsPerSample);
  json.EndObject();
  json.Integer("audio_buffer_size", f.audioBufferSize);
  json.EndObject();
  if (haveKinds) {
    int last = 0;  // as the text shows them: up to the last that is not 0
    for (int i = 0; i < kOutputKindSlots; ++i)
      if (kinds[i] != 0) last = i;
    json.BeginArray("output_kinds");
    for (int i = 0; i <= last; ++i) json.Integer(nullptr, kinds[i]);
    json.EndArray();
  } else {
    json.Null("output_kinds");
  }
  json.EndObject();
}

int RunInfo(qvhost::CommandContext &context) {
  std::string file;
  bool raw = false, json = false;
  for (const std::string &arg : context.args) {
    if (arg == "--raw") {
      raw = true;
    } else if (arg == "--json") {
      json = true;
    } else if (arg.empty() || arg[0] == '-' || !file.empty()) {
      return qvhost::Fail(context, "usage: info FILE [--raw | --json]");
    } else {
      file = arg;
    }
  }
  if (file.empty() || (raw && json)) return qvhost::Fail(context, "usage: info FILE [--raw | --json]");
  qvhost::Instance instance(context.plugin);
  if (!instance) return qvhost::Fail(context, "the plug-in made no instance");
  HostFormat format;
  std::string error;
  if (!qvhost::ReadMediaFormat(context.plugin, instance, file, &format, &error))
    return qvhost::Fail(context, "%s", error.c_str());
  LONG kinds[kOutputKindSlots];
  bool haveKinds = qvhost::ReadOutputKinds(instance, kinds);
  if (json) {
    PrintJson(context.out, file, format, kinds, haveKinds);
    return 0;
  }
  if (!raw) {
    PrintSummary(context.out, file, format, kinds, haveKinds);
    std::fprintf(context.out,
                 "\nThe record as the plug-in reports it (frame rate in frames per 1,000 seconds, frame count\n"
                 "at that rate, audio length in sample frames; --raw prints only this):\n");
  }
  PrintRecord(context.out, format);
  if (haveKinds) PrintKinds(context.out, kinds);
  return 0;
}

const qvhost::CommandRegistrar registrar(
    {"info", "FILE [--raw | --json]", "describe a media file as the plug-in reads it, then its format record",
     RunInfo,
     "  --raw   the host format record only, field by field\n"
     "  --json  everything as one JSON document: file, has_video, has_sound, width, height,\n"
     "          frame_count, frames_per_second, duration (seconds), own_frames_per_second,\n"
     "          sound {sample_rate, channels, bits_per_sample, length (sample frames)},\n"
     "          streams [{output, type, sound_stream}], record {...}, output_kinds\n",
     "  qvhost info clip.wmv\n"
     "  qvhost info clip.wmv --json | python3 -c 'import json,sys; print(json.load(sys.stdin)[\"duration\"])'\n"});

}  // namespace
