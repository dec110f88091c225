// A host as many real ones are: it reaches the plug-in through the dynamic loader
// alone (nothing of the Win32 stand-in is loaded before the plug-in brings it), may
// leave a transfer open, and may exit without ever unloading the plug-in.
//   bare_host [--standin LIBRARY] PLUGIN exit|unload none|import CLIP|export FILE
// --standin loads the Win32 stand-in on its own before the plug-in.
// Exits 0 when every call answered as expected; a crash at exit shows in the status.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "qpl/entry_points.h"

namespace {

int Fail(const char *what) {
  std::fprintf(stderr, "bare_host: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char **argv) {
  void *standin = nullptr;
  if (argc > 2 && std::strcmp(argv[1], "--standin") == 0) {
    if (!(standin = dlopen(argv[2], RTLD_NOW | RTLD_LOCAL))) return Fail(dlerror());
    argv += 2;
    argc -= 2;
  }
  if (argc < 4) return Fail("usage: bare_host [--standin LIBRARY] PLUGIN exit|unload none|import CLIP|export FILE");
  const bool unload = std::strcmp(argv[2], "unload") == 0;
  const char *transfer = argv[3];
  const char *file = argc > 4 ? argv[4] : nullptr;

  void *library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!library) return Fail(dlerror());
  qpl::EntryPoints pi = {};
  if (qpl::ResolveEntryPoints(&pi, [library](const char *name) { return dlsym(library, name); }))
    return Fail("an entry point is missing");
  if (pi.piCount() != 1) return Fail("piCount is not 1");

  // The instance block and whatever transfer it holds are never ended.
  HGLOBAL instance = pi.piLocalInit(0, 0);
  if (!instance) return Fail("no instance block");
  std::vector<BYTE> frame;
  const bool frameOrFileOpen = std::strcmp(transfer, "none") != 0;
  if (std::strcmp(transfer, "import") == 0) {
    pi.piLocalLength(0, instance, 5);
    if (!file || !pi.piLocalLoadData(0, instance, qpl::kTransferVideo, file)) return Fail("no frame from the clip");
  } else if (std::strcmp(transfer, "export") == 0) {
    HostFormat record = {};
    record.flags = kHostFormatVideo;
    record.frameCount = 30;
    record.frameRate = 30000;
    record.bitmap = {40, 64, 48, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    frame.assign(40 + 64 * 3 * 48, 0x80);
    std::memcpy(frame.data(), &record.bitmap, 40);
    if (!file || !pi.piLocalSetFormat(0, instance, &record)) return Fail("the record was refused");
    pi.piLocalSetData(0, instance, frame.data(), (LONG)frame.size(), 0, 0);
    if (!pi.piLocalSaveData(0, instance, qpl::kTransferVideo, file)) return Fail("the frame was not written");
  }
  if (unload && dlclose(library) != 0) return Fail("dlclose failed");
  // The media runtime's threads may still call into a library whose transfer is open.
  if (unload && frameOrFileOpen && !dlopen(argv[1], RTLD_NOW | RTLD_NOLOAD))
    return Fail("the plug-in was unloaded with its transfer open");
  if (unload && standin && dlclose(standin) != 0) return Fail("dlclose failed");
  return 0;
}
