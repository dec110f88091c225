// A fresh copy of the plug-in: the library copied under a name of its own and loaded
// as a separate module, whose module-wide state (the name buffer, the profile
// selection) is as a new process finds it.
#ifndef QV_TESTS_SUPPORT_PLUGIN_COPY_H
#define QV_TESTS_SUPPORT_PLUGIN_COPY_H

#include <string>

#include "host.h"

// Loads a new copy of the library at `path`. The copy stays loaded until the test
// program ends; its file is removed at once where the system allows it. Null, with a
// test failure, when it cannot be copied or loaded.
const qvhost::EntryPoints *LoadFreshCopyOfPlugin(const std::string &path);

#endif
