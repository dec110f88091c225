// Commands run through the shell, with their output captured: the independent
// readers (ffprobe, ffmpeg) and the command-line host.
#ifndef QV_TESTS_SUPPORT_RUN_COMMAND_H
#define QV_TESTS_SUPPORT_RUN_COMMAND_H

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// The command's standard output (add 2>&1 for its errors too). `exitStatus`, when
// given, receives its exit status, or -1 when it did not exit normally.
std::string RunCommand(const std::string &command, int *exitStatus = nullptr);
// The same output as bytes, for commands that write raw pictures or sound.
std::vector<uint8_t> RunCommandBinary(const std::string &command);

}  // namespace testsupport

#endif
