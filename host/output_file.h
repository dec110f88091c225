/* The export's output file as the host sees it on the file system: whether it may be
 * written at all (before anything is), and why it could not be once the plug-in,
 * which answers only 0, has failed to write it. */
#ifndef QV_HOST_OUTPUT_FILE_H
#define QV_HOST_OUTPUT_FILE_H

#include <string>
#include <vector>

namespace qvhost {

bool FileExists(const std::string &path);

/* Why the export must not write `output`, in words; empty when it may. It refuses an
 * output that is one of `inputs` (the same file, however it is named), a name that does
 * not end in .wmv or .asf, an existing file unless `replace`, a folder, and a place
 * where the file cannot be created. */
std::string OutputRefusal(const std::string &output, const std::vector<std::string> &inputs, bool replace);

/* Why no file can be created or opened for writing at `path`: its folder is missing or
 * not a folder, or the system refuses (permissions, a read-only disk); empty when it
 * can. Tries it, and removes a file it had to create for that. */
std::string WhyTheFileCannotBeCreated(const std::string &path);

/* Why a file at `path` could not grow, as far as the host can see: a full disk, or
 * a file size limit on this process; empty when neither is the case. Asked while the
 * file is still there. */
std::string WhyTheFileCannotGrow(const std::string &path);

}  // namespace qvhost

#endif
