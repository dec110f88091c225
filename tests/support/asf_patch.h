// Changes to the length an ASF file's header declares, for files whose header says
// something else than their packets: its File Properties object's play duration and
// broadcast flag.
#ifndef QV_TESTS_SUPPORT_ASF_PATCH_H
#define QV_TESTS_SUPPORT_ASF_PATCH_H

#include <cstdint>
#include <string>

namespace testsupport {

// Makes `to` a copy of `from` whose header says the file lasts `duration` (100 ns
// units, as the platform reports it: the play duration less the preroll). The play
// duration is held at all ones when the sum passes 64 bits. False when `from` has no
// File Properties object or `to` cannot be written.
bool CopyWithAsfDuration(const std::string &from, const std::string &to, uint64_t duration);

// As above, but flagged a broadcast: a file whose length the header does not give.
bool CopyAsAsfBroadcast(const std::string &from, const std::string &to);

}  // namespace testsupport

#endif
