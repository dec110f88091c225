// qvhost formats: what a host asks first of a plug-in, for each format it offers.
#include "host.h"

namespace {

int RunFormats(qvhost::CommandContext &context) {
  if (!context.args.empty()) return qvhost::Fail(context, "takes no arguments");
  const qvhost::EntryPoints &pi = context.plugin.pi();
  DWORD count = pi.piCount();
  std::fprintf(context.out, "formats: %lu\n", (unsigned long)count);
  for (DWORD index = 0; index < count; ++index) {
    const char *name = pi.piName(index);
    DWORD flags = pi.piFlags(index);
    if (!pi.piInit(index)) return qvhost::Fail(context, "format %lu refuses piInit", (unsigned long)index);
    std::string pattern;
    qvhost::Instance instance(context.plugin);
    if (instance) {
      std::vector<BYTE> bytes = qvhost::CopyGlobal(pi.piLocalGetData(index, instance.handle()));
      // The pattern block is text with its terminating zero; take nothing past it.
      for (BYTE b : bytes) {
        if (b == 0) break;
        pattern.push_back((char)b);
      }
    }
    pi.piDone(index);
    std::fprintf(context.out, "%lu: name \"%s\"\n", (unsigned long)index, name ? name : "");
    std::fprintf(context.out, "%lu: capabilities 0x%08lX\n", (unsigned long)index, (unsigned long)flags);
    std::fprintf(context.out, "%lu: pattern \"%s\"\n", (unsigned long)index, pattern.c_str());
  }
  return 0;
}

const qvhost::CommandRegistrar registrar({"formats", "", "list each format: name, capability word, file pattern",
                                          RunFormats});

}  // namespace
