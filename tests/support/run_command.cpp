#include "run_command.h"

#include <cstdio>
#ifndef _WIN32
#  include <sys/wait.h>
#endif

namespace testsupport {

std::string RunCommand(const std::string &command, int *exitStatus) {
  std::string output;
  if (exitStatus) *exitStatus = -1;
  FILE *pipe = popen(command.c_str(), "r");
  if (!pipe) return output;
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, got);
  const int status = pclose(pipe);
#ifdef _WIN32
  const int code = status;
#else
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  if (exitStatus) *exitStatus = code;
  return output;
}

std::vector<uint8_t> RunCommandBinary(const std::string &command) {
  const std::string output = RunCommand(command);
  return std::vector<uint8_t>(output.begin(), output.end());
}

}  // namespace testsupport
