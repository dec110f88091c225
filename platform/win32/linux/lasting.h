/* Process-wide state of the stand-in: made when first reached and never destroyed.
 * Hosts often exit without unloading their plug-ins; a plug-in's unload hook then runs
 * after the exit handlers that would destroy this library's statics, and it, like any
 * exit handler of the host, must still find the tables intact. */
#ifndef QV_WIN32_LINUX_LASTING_H
#define QV_WIN32_LINUX_LASTING_H

#include <new>

template <typename T>
T &Lasting() {
  return *new T();
}

#endif
