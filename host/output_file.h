/* The files qvhost writes, as the host sees them on the file system: whether one may
 * be written at all (asked before anything is), and why it could not be once the
 * plug-in, which answers only 0, has failed to write it. The writing itself goes
 * through a temporary file beside the output (whole_file.h). */
#ifndef QV_HOST_OUTPUT_FILE_H
#define QV_HOST_OUTPUT_FILE_H

#include <string>
#include <vector>

namespace qvhost {

/* The tag of qvhost's temporary files: "out.wmv.qvhost-new". */
constexpr const char kTemporaryTag[] = "qvhost-new";

/* Why `output` must not be written, in words; empty when it may. It refuses, in this
 * order: an output that is one of `inputs` (the same file, however it is named, also
 * with `replace`); `misnamed` when that is not empty (a name of the wrong kind); a
 * folder or anything else that is not a regular file or a link; an existing name unless
 * `replace`; and a folder that is missing or is not one. */
std::string OutputRefusal(const std::string &output, const std::vector<std::string> &inputs, bool replace,
                          const std::string &misnamed = std::string());

/* Why a file at `path` could not grow, as far as the host can see: a full disk, or
 * a file size limit on this process; empty when neither is the case. Asked while the
 * file is still there. */
std::string WhyTheFileCannotGrow(const std::string &path);

}  // namespace qvhost

#endif
