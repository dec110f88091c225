/* What the import commands share: reading a media file's format through the
 * plug-in, with an error a user can act on. */
#ifndef QV_HOST_IMPORT_MEDIA_H
#define QV_HOST_IMPORT_MEDIA_H

#include <string>

#include "host.h"

using qpl::kOutputKindSlots;

namespace qvhost {

/* Asks the plug-in for the format of `file` (piLocalLoadData kind 0) and copies the
 * record it hands out. False with a message when the file is missing or the plug-in
 * cannot read it as media. */
bool ReadMediaFormat(const Plugin &plugin, const Instance &instance, const std::string &file,
                     HostFormat *format, std::string *error);

/* The output kind table the last request left in the instance block, where the
 * contract places it. */
bool ReadOutputKinds(const Instance &instance, LONG (&kinds)[kOutputKindSlots]);

}  // namespace qvhost

#endif
