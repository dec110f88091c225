// The script driver: plays a list of actions (see dialog.h) one after the other
// until the dialog ends.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dialog_driver.h"

namespace {

bool ParseNumber(const std::string &text, long *value) {
  if (text.empty()) return false;
  char *end = nullptr;
  *value = std::strtol(text.c_str(), &end, 10);
  return end && *end == '\0';
}

bool Refuse(const std::string &action, const std::string &why) {
  std::fprintf(stderr, "dialog script: %s: %s\n", action.c_str(), why.c_str());
  return false;
}

}  // namespace

bool PlayDialogScript(const DialogRun &run, const std::string &script) {
  size_t start = 0;
  while (start <= script.size() && !DialogEnded(run)) {
    size_t comma = script.find(',', start);
    std::string action = script.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    start = comma == std::string::npos ? script.size() + 1 : comma + 1;
    long value = 0;
    if (action.empty()) {
      continue;
    } else if (action == "ok") {
      PressOk(run);
    } else if (action == "cancel" || action == "escape") {
      PressCancel(run);
    } else if (action.rfind("select:", 0) == 0 && ParseNumber(action.substr(7), &value)) {
      // A user can click only an entry that is there.
      if (value < -1 || value > 0x7FFFFFFF || !SelectEntry(run, static_cast<LONG>(value)))
        return Refuse(action, "there is no entry " + std::to_string(value) + "; the list has " +
                                  ListRange(ViewOf(run)));
    } else if (action.rfind("command:", 0) == 0 && ParseNumber(action.substr(8), &value)) {
      SendCommand(run, static_cast<WPARAM>(value), 0);
    } else {
      return Refuse(action, "unknown action (ok, cancel, select:N or command:N)");
    }
  }
  return true;
}
