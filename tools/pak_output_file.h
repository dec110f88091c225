// The files paktool writes: whether a name may be written at all (asked before
// anything is), and writing one so that a failure leaves what was there before.
#ifndef QV_TOOLS_PAK_OUTPUT_FILE_H
#define QV_TOOLS_PAK_OUTPUT_FILE_H

#include <cstdint>
#include <string>
#include <vector>

// Why `output` must not be written, in words; empty when it may. It refuses an output
// that is one of `inputs` (the same file, however it is named; also with `replace`),
// a folder, and a name already taken unless `replace`.
std::string PakOutputRefusal(const std::string &output, const std::vector<std::string> &inputs, bool replace);

// Writes `data` to a new file beside `path` and renames it over `path` once it is
// whole (and marked executable when asked), so that a failed write leaves `path` as it
// was. On failure `error` says why, and nothing new is left behind.
bool PakWriteWholeFile(const std::string &path, const std::vector<uint8_t> &data, bool executable,
                       std::string &error);

#endif
