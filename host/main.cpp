// qvhost: loads a .qpl plug-in by path and runs one command against it.
#include <cstdlib>
#include <cstring>

#include "host.h"
#include "qv_version.h"

namespace {

void PrintHelp(FILE *stream) {
  std::fprintf(stream,
               "usage: qvhost [--plugin PATH] <command> [arguments...]\n"
               "       qvhost --help | --version\n"
               "\n"
               "Loads the file plug-in at PATH (default: the environment variable\n"
               "QVHOST_PLUGIN, else the plug-in installed with qvhost) and drives its pi*\n"
               "entry points as a host application does.\n"
               "\n"
               "commands:\n");
  for (const qvhost::Command &command : qvhost::RegisteredCommands()) {
    std::string line = std::string(command.name) + (command.usage[0] ? " " : "") + command.usage;
    if (line.size() <= 32)
      std::fprintf(stream, "  %-32s  %s\n", line.c_str(), command.summary);
    else  // a long usage gets a line of its own
      std::fprintf(stream, "  %s\n  %-32s  %s\n", line.c_str(), "", command.summary);
  }
}

}  // namespace

int main(int argc, char **argv) {
  std::string pluginPath;
  const char *fromEnvironment = std::getenv("QVHOST_PLUGIN");
  if (fromEnvironment) pluginPath = fromEnvironment;

  int next = 1;
  while (next < argc && argv[next][0] == '-') {
    std::string option = argv[next];
    if (option == "--help" || option == "-h") {
      PrintHelp(stdout);
      return 0;
    }
    if (option == "--version") {
      std::printf("qvhost %s\n", QV_VERSION_TEXT);
      return 0;
    }
    if (option == "--plugin" || option == "-p") {
      if (next + 1 >= argc) {
        std::fprintf(stderr, "qvhost: %s needs a path\n", option.c_str());
        return 2;
      }
      pluginPath = argv[next + 1];
      next += 2;
      continue;
    }
    if (option.compare(0, 9, "--plugin=") == 0) {
      pluginPath = option.substr(9);
      ++next;
      continue;
    }
    std::fprintf(stderr, "qvhost: unknown option '%s' (try --help)\n", option.c_str());
    return 2;
  }
  if (next >= argc) {
    std::fprintf(stderr, "qvhost: no command given (try --help)\n");
    return 2;
  }
  const qvhost::Command *command = qvhost::FindCommand(argv[next]);
  if (!command) {
    std::fprintf(stderr, "qvhost: unknown command '%s' (try --help)\n", argv[next]);
    return 2;
  }
  if (pluginPath.empty()) pluginPath = qvhost::InstalledPluginPath();
  if (pluginPath.empty()) {
    std::fprintf(stderr,
                 "qvhost: no plug-in given and none installed with qvhost: "
                 "use --plugin PATH or set QVHOST_PLUGIN\n");
    return 2;
  }

  qvhost::Plugin plugin;
  std::string error;
  if (!plugin.Load(pluginPath, &error)) {
    std::fprintf(stderr, "qvhost: %s\n", error.c_str());
    return 1;
  }
  qvhost::CommandContext context{plugin, command->name, {}, stdout, stderr};
  for (int i = next + 1; i < argc; ++i) context.args.push_back(argv[i]);
  int status = command->run(context);
  std::fflush(stdout);
  return status;
}
