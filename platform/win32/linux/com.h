/* COM basics: IUnknown and the library's initialisation. */
#ifndef QV_WIN32_COM_H
#define QV_WIN32_COM_H

#include "types.h"

#ifdef __cplusplus
struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **object) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;
};
typedef IUnknown *LPUNKNOWN;
QV_EXTERN_C const IID IID_IUnknown;
#endif

#define COINIT_APARTMENTTHREADED 0x2
#define COINIT_MULTITHREADED 0x0

QV_EXTERN_C_BEGIN
HRESULT WINAPI CoInitialize(LPVOID reserved);
void WINAPI CoUninitialize(void);
void *WINAPI CoTaskMemAlloc(SIZE_T size);
void WINAPI CoTaskMemFree(void *p);
QV_EXTERN_C_END

#endif
