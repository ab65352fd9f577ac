// Linux stand-in for IPersistFile from <objidl.h>.
#ifndef PLATFORM_INCLUDE_OBJIDL_H_
#define PLATFORM_INCLUDE_OBJIDL_H_

#include <objbase.h>

extern const IID IID_IPersistFile;

struct IPersistFile : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE IsDirty() = 0;
  virtual HRESULT STDMETHODCALLTYPE Load(LPCOLESTR pszFileName, DWORD dwMode) = 0;
  virtual HRESULT STDMETHODCALLTYPE Save(LPCOLESTR pszFileName, BOOL fRemember) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* ppszFileName) = 0;

 protected:
  ~IPersistFile() = default;
};

#endif  // PLATFORM_INCLUDE_OBJIDL_H_
