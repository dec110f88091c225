/* What the import commands share: reading a media file's format through the
 * plug-in, with an error a user can act on. */
#ifndef QV_HOST_IMPORT_MEDIA_H
#define QV_HOST_IMPORT_MEDIA_H

#include <string>

#include "../plugin/host_format.h"
#include "../plugin/instance_block.h"
#include "host.h"

namespace qvhost {

/* Asks the plug-in for the format of `file` (piLocalLoadData kind 0) and copies the
 * record it hands out. False with a message when the file is missing or the plug-in
 * cannot read it as media. */
bool ReadMediaFormat(const Plugin &plugin, const Instance &instance, const std::string &file,
                     HostFormat *format, std::string *error);

/* The output kind table the last request left in the instance block. */
bool ReadOutputKinds(const Instance &instance, LONG (&kinds)[kOutputKindSlots]);

}  // namespace qvhost

#endif
