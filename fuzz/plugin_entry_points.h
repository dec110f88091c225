/* The plug-in's entry points as the plug-in fuzzers call them: the plug-in is linked
 * into the fuzzer itself, so its exports are plain functions of the program. */
#ifndef QV_FUZZ_PLUGIN_ENTRY_POINTS_H
#define QV_FUZZ_PLUGIN_ENTRY_POINTS_H

#include "win32.h"

extern "C" {
HGLOBAL WINAPI piLocalInit(DWORD index, DWORD modeBits);
void WINAPI piLocalDone(DWORD index, HGLOBAL block);
HGLOBAL WINAPI piLocalGetData(DWORD index, HGLOBAL block);
BOOL WINAPI piLocalLength(DWORD index, HGLOBAL block, LONG position);
BOOL WINAPI piLocalProcessDataStart(DWORD index, HGLOBAL block);
BOOL WINAPI piLocalProcessDataEnd(DWORD index, HGLOBAL block);
BOOL WINAPI piLocalSetData(DWORD index, HGLOBAL block, const BYTE *data, LONG size, DWORD, DWORD);
BOOL WINAPI piLocalSetFormat(DWORD index, HGLOBAL block, const BYTE *record);
BOOL WINAPI piLocalLoadData(DWORD index, HGLOBAL block, LONG kind, LPCSTR fileName);
BOOL WINAPI piLocalSaveData(DWORD index, HGLOBAL block, LONG kind, LPCSTR fileName);
}

#endif
