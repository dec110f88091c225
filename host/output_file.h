/* What the export command can tell about its output file once the plug-in has failed
 * to write it: the plug-in answers only 0, so the host looks at the file system. */
#ifndef QV_HOST_OUTPUT_FILE_H
#define QV_HOST_OUTPUT_FILE_H

#include <string>

namespace qvhost {

bool FileExists(const std::string &path);

/* Why a file at `path` could not grow, as far as the host can see: a full disk, or
 * a file size limit on this process; empty when neither is the case. Asked while the
 * file is still there. */
std::string WhyTheFileCannotGrow(const std::string &path);

}  // namespace qvhost

#endif
