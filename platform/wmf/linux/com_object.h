// Reference counting shared by the runtime's objects.
#ifndef QV_WMF_COM_OBJECT_H
#define QV_WMF_COM_OBJECT_H

#include <atomic>

#include "wmf.h"

namespace wmf {

// Holds the count; the object deletes itself on the last Release.
class RefCount {
 public:
  ULONG Add() { return ++count_; }
  // Returns the new count; the caller deletes the object at 0.
  ULONG Drop() { return --count_; }

 private:
  std::atomic<ULONG> count_{1};
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
