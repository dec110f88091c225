// qvhost: loads a .qpl plug-in by path and runs one command against it.
#include <cstdlib>
#include <cstring>

#include "host.h"
#include "qv_version.h"

namespace {

void PrintHelp(FILE *stream) {
  std::fprintf(stream,
               "usage: qvhost [--plugin PATH] [--quiet] <command> [arguments...]\n"
               "       qvhost help [<command>] | --help | --version\n"
               "\n"
               "Loads the file plug-in at PATH (default: the environment variable\n"
               "QVHOST_PLUGIN, else the plug-in installed with qvhost) and drives its pi*\n"
               "entry points as a host application does. --quiet (-q), before or after the\n"
               "command, leaves only errors: no notes, progress or confirmations.\n"
               "\n"
               "commands:\n");
  for (const qvhost::Command &command : qvhost::RegisteredCommands()) {
    std::string line = std::string(command.name) + (command.usage[0] ? " " : "") + command.usage;
    if (line.size() <= 32)
      std::fprintf(stream, "  %-32s  %s\n", line.c_str(), command.summary);
    else  // a long usage gets a line of its own
      std::fprintf(stream, "  %s\n  %-32s  %s\n", line.c_str(), "", command.summary);
  }
  std::fprintf(stream,
               "\n'qvhost help <command>' or 'qvhost <command> --help' shows a command's options and an\n"
               "example; 'man qvhost' tells more.\n");
}

bool IsHelp(const std::string &arg) { return arg == "--help" || arg == "-h"; }
bool IsQuiet(const std::string &arg) { return arg == "--quiet" || arg == "-q"; }

// qvhost help [COMMAND]: needs no plug-in.
int Help(int argc, char **argv, int next) {
  if (next >= argc) {
    PrintHelp(stdout);
    return 0;
  }
  const qvhost::Command *command = qvhost::FindCommand(argv[next]);
  if (!command) {
    std::fprintf(stderr, "qvhost: help: unknown command '%s' (qvhost --help lists them)\n", argv[next]);
    return 2;
  }
  qvhost::PrintCommandHelp(stdout, *command);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  std::string pluginPath;
  const char *fromEnvironment = std::getenv("QVHOST_PLUGIN");
  if (fromEnvironment) pluginPath = fromEnvironment;

  bool quiet = false;
  int next = 1;
  while (next < argc && argv[next][0] == '-') {
    std::string option = argv[next];
    if (IsHelp(option)) {
      PrintHelp(stdout);
      return 0;
    }
    if (IsQuiet(option)) {
      quiet = true;
      ++next;
      continue;
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
  if (std::strcmp(argv[next], "help") == 0) return Help(argc, argv, next + 1);
  const qvhost::Command *command = qvhost::FindCommand(argv[next]);
  if (!command) {
    std::fprintf(stderr, "qvhost: unknown command '%s' (try --help)\n", argv[next]);
    return 2;
  }
  // A command's --help needs no plug-in, and --quiet may follow the command as well.
  std::vector<std::string> args;
  for (int i = next + 1; i < argc; ++i) {
    if (IsHelp(argv[i])) {
      qvhost::PrintCommandHelp(stdout, *command);
      return 0;
    }
    if (IsQuiet(argv[i]))
      quiet = true;
    else
      args.push_back(argv[i]);
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
  qvhost::CommandContext context{plugin, command->name, args, stdout, stderr, quiet};
  int status = command->run(context);
  std::fflush(stdout);
  return status;
}
