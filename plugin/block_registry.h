/* The instance blocks this plug-in made and has not yet freed. A handle the host hands
 * back is used only when it is one of them: any other memory, even a fixed block of the
 * same size, may hold anything where the block keeps its interface references. */
#ifndef QV_PLUGIN_BLOCK_REGISTRY_H
#define QV_PLUGIN_BLOCK_REGISTRY_H

#include "win32.h"

/* Adds a block piLocalInit made; false when there is no memory to remember it. */
bool RememberBlock(HGLOBAL handle);

/* Removes a block before piLocalDone frees it; nothing for an unknown handle. */
void ForgetBlock(HGLOBAL handle);

bool IsKnownBlock(HGLOBAL handle);

/* Lets go of the registry's own memory when the library is unloaded. */
void ForgetAllBlocks();

#endif
