// Linux stand-in for the part of the COM runtime (<objbase.h>) that Jobwarden uses.
#ifndef PLATFORM_INCLUDE_OBJBASE_H_
#define PLATFORM_INCLUDE_OBJBASE_H_

#include <cstddef>

#include <windows.h>

struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;

 protected:
  ~IUnknown() = default;
};
typedef IUnknown* LPUNKNOWN;

enum CLSCTX : DWORD {
  CLSCTX_INPROC_SERVER = 0x1,
};

extern const IID IID_IUnknown;

HRESULT WINAPI CoInitialize(LPVOID pvReserved);
void WINAPI CoUninitialize();
HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext,
                                REFIID riid, LPVOID* ppv);
LPVOID WINAPI CoTaskMemAlloc(size_t cb);
void WINAPI CoTaskMemFree(LPVOID pv);

#endif  // PLATFORM_INCLUDE_OBJBASE_H_
