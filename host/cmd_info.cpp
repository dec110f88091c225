// qvhost info FILE: the host format record the plug-in reports for a media file.
#include <inttypes.h>

#include "host.h"
#include "import_media.h"

namespace {

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

int RunInfo(qvhost::CommandContext &context) {
  if (context.args.size() != 1) return qvhost::Fail(context, "usage: info FILE");
  qvhost::Instance instance(context.plugin);
  if (!instance) return qvhost::Fail(context, "the plug-in made no instance");
  HostFormat format;
  std::string error;
  if (!qvhost::ReadMediaFormat(context.plugin, instance, context.args[0], &format, &error))
    return qvhost::Fail(context, "%s", error.c_str());
  PrintRecord(context.out, format);
  LONG kinds[kOutputKindSlots];
  if (qvhost::ReadOutputKinds(instance, kinds)) PrintKinds(context.out, kinds);
  return 0;
}

const qvhost::CommandRegistrar registrar(
    {"info", "FILE", "print the format the plug-in reads from a media file", RunInfo});

}  // namespace
