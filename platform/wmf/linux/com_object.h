// IUnknown for the runtime's objects, written once: an object derives from
//   ComObject<Itself, FirstInterface, OtherInterfaces...>
// and gets the reference count, its deletion on the last Release, and a
// QueryInterface that answers for each interface named (and for the interfaces that
// interface extends, see InterfaceIds) and for IID_IUnknown, always with the first
// interface, as COM's identity rule asks.
#ifndef QV_WMF_COM_OBJECT_H
#define QV_WMF_COM_OBJECT_H

#include <atomic>

#include "wmf.h"

namespace wmf {

// The identifiers a QueryInterface finds an interface by: its own and those of the
// interfaces between it and IUnknown.
template <const IID &...Ids>
struct AnswersTo {
  static bool Matches(REFIID riid) { return ((riid == Ids) || ...); }
};

template <class Interface>
struct InterfaceIds;
template <>
struct InterfaceIds<INSSBuffer> : AnswersTo<IID_INSSBuffer> {};
template <>
struct InterfaceIds<IWMOutputMediaProps> : AnswersTo<IID_IWMMediaProps, IID_IWMOutputMediaProps> {};
template <>
struct InterfaceIds<IWMInputMediaProps> : AnswersTo<IID_IWMMediaProps, IID_IWMInputMediaProps> {};
template <>
struct InterfaceIds<IWMStreamConfig> : AnswersTo<IID_IWMStreamConfig> {};
template <>
struct InterfaceIds<IWMProfile> : AnswersTo<IID_IWMProfile> {};
template <>
struct InterfaceIds<IWMProfileManager2> : AnswersTo<IID_IWMProfileManager, IID_IWMProfileManager2> {};
template <>
struct InterfaceIds<IWMReader> : AnswersTo<IID_IWMReader> {};
template <>
struct InterfaceIds<IWMHeaderInfo> : AnswersTo<IID_IWMHeaderInfo> {};
template <>
struct InterfaceIds<IWMWriter> : AnswersTo<IID_IWMWriter> {};

template <class Derived, class First, class... Others>
class ComObject : public First, public Others... {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **object) override {
    if (!object) return E_POINTER;
    *object = riid == IID_IUnknown ? Self<First>() : Find<First, Others...>(riid);
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete static_cast<Derived *>(this);
    return left;
  }

 protected:
  ComObject() = default;
  ~ComObject() = default;  // only Release deletes, as the Derived it is
  ComObject(const ComObject &) = delete;
  ComObject &operator=(const ComObject &) = delete;

 private:
  template <class Interface>
  Interface *Self() {
    return static_cast<Interface *>(static_cast<Derived *>(this));
  }
  template <class Interface, class... Rest>
  void *Find(REFIID riid) {
    if (InterfaceIds<Interface>::Matches(riid)) return Self<Interface>();
    if constexpr (sizeof...(Rest) > 0)
      return Find<Rest...>(riid);
    else
      return nullptr;
  }

  std::atomic<ULONG> refs_{1};
};

// A reference that releases on scope exit.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  explicit ComPtr(T *p) : p_(p) {}
  ComPtr(const ComPtr &) = delete;
  ComPtr &operator=(const ComPtr &) = delete;
  ~ComPtr() { Reset(); }
  void Reset(T *p = nullptr) {
    if (p_) p_->Release();
    p_ = p;
  }
  T *Detach() {
    T *p = p_;
    p_ = nullptr;
    return p;
  }
  T *Get() const { return p_; }
  T *operator->() const { return p_; }
  T **Put() {
    Reset();
    return &p_;
  }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T *p_ = nullptr;
};

}  // namespace wmf

#endif
