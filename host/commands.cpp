// The table of commands that qvhost dispatches on, and the helpers commands share.
#include "host.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <map>

namespace qvhost {
namespace {

// Function-local, so that registrars in other files can run in any order.
std::map<std::string, Command> &Table() {
  static std::map<std::string, Command> table;
  return table;
}

}  // namespace

CommandRegistrar::CommandRegistrar(const Command &command) { Table()[command.name] = command; }

std::vector<Command> RegisteredCommands() {
  std::vector<Command> commands;
  for (const auto &entry : Table()) commands.push_back(entry.second);
  return commands;
}

const Command *FindCommand(const std::string &name) {
  auto it = Table().find(name);
  return it == Table().end() ? nullptr : &it->second;
}

namespace {
// "qvhost: <command>: <message>" on the error stream.
void Say(CommandContext &context, const char *format, va_list args) {
  std::fprintf(context.err, "qvhost: %s: ", context.command);
  std::vfprintf(context.err, format, args);
  std::fputc('\n', context.err);
}
}  // namespace

int Fail(CommandContext &context, const char *format, ...) {
  va_list args;
  va_start(args, format);
  Say(context, format, args);
  va_end(args);
  return 1;
}

void Note(CommandContext &context, const char *format, ...) {
  if (context.quiet) return;
  va_list args;
  va_start(args, format);
  Say(context, format, args);
  va_end(args);
}

void PrintCommandHelp(FILE *stream, const Command &command) {
  std::fprintf(stream, "usage: qvhost [--plugin PATH] [--quiet] %s%s%s\n\n", command.name,
               command.usage[0] ? " " : "", command.usage);
  // The summary, a sentence, wrapped at 80 columns.
  std::string line;
  for (const char *word = command.summary; *word;) {
    size_t length = std::strcspn(word, " ");
    if (!line.empty() && line.size() + 1 + length > 80) {
      std::fprintf(stream, "%s\n", line.c_str());
      line.clear();
    }
    line += (line.empty() ? "" : " ") + std::string(word, length);
    word += length;
    while (*word == ' ') ++word;
  }
  std::fprintf(stream, "%s.\n", line.c_str());
  if (command.options[0]) std::fprintf(stream, "\noptions:\n%s", command.options);
  if (command.example[0]) std::fprintf(stream, "\nexample:\n%s", command.example);
}

bool ParseLong(const std::string &text, LONG *value) {
  if (text.empty() || std::strchr("+-0123456789", text[0]) == nullptr) return false;
  errno = 0;
  char *end = nullptr;
  long long parsed = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || parsed < INT32_MIN || parsed > INT32_MAX) return false;
  *value = (LONG)parsed;
  return true;
}

}  // namespace qvhost
