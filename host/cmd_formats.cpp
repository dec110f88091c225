// qvhost formats [--json]: what a host asks first of a plug-in, for each format it offers.
#include "host.h"
#include "json_writer.h"

namespace {

struct Format {
  std::string name;
  DWORD capabilities;
  std::string pattern;
};

int RunFormats(qvhost::CommandContext &context) {
  bool json = false;
  for (const std::string &arg : context.args) {
    if (arg != "--json") return qvhost::Fail(context, "usage: formats [--json]");
    json = true;
  }
  const qvhost::EntryPoints &pi = context.plugin.pi();
  DWORD count = pi.piCount();
  std::vector<Format> formats;
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
    formats.push_back({name ? name : "", flags, pattern});
  }
  if (json) {
    qvhost::JsonWriter out(context.out);
    out.BeginObject();
    out.BeginArray("formats");
    for (size_t index = 0; index < formats.size(); ++index) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "0x%08lX", (unsigned long)formats[index].capabilities);
      out.BeginObject();
      out.Integer("index", static_cast<long long>(index));
      out.String("name", formats[index].name);
      out.Integer("capabilities", formats[index].capabilities);
      out.String("capabilities_hex", hex);
      out.String("pattern", formats[index].pattern);
      out.EndObject();
    }
    out.EndArray();
    out.EndObject();
    return 0;
  }
  std::fprintf(context.out, "formats: %lu\n", (unsigned long)count);
  for (size_t index = 0; index < formats.size(); ++index) {
    std::fprintf(context.out, "%zu: name \"%s\"\n", index, formats[index].name.c_str());
    std::fprintf(context.out, "%zu: capabilities 0x%08lX\n", index, (unsigned long)formats[index].capabilities);
    std::fprintf(context.out, "%zu: pattern \"%s\"\n", index, formats[index].pattern.c_str());
  }
  return 0;
}

const qvhost::CommandRegistrar registrar(
    {"formats", "[--json]", "list each format: name, capability word, file pattern", RunFormats,
     "  --json  one JSON document: formats [{index, name, capabilities (a number),\n"
     "          capabilities_hex, pattern}]\n",
     "  qvhost formats --json\n"});

}  // namespace
