// A stand-in for any COM interface of the media runtime, for tests of code that only
// calls methods and releases: every vtable slot records its number and answers S_OK
// (Release, slot 2, answers 0). Method numbers follow the interface's declaration
// order, IUnknown's three first. Valid where all methods share one calling
// convention and the caller cleans nothing up (x86-64, Linux and Windows).
#ifndef QV_TESTS_SPINE_FAKE_COM_OBJECT_H
#define QV_TESTS_SPINE_FAKE_COM_OBJECT_H

#include <vector>

class FakeComObject {
 public:
  FakeComObject();
  // The object as the interface pointer the code under test holds.
  template <typename Interface>
  Interface *As() {
    return reinterpret_cast<Interface *>(this);
  }
  const std::vector<int> &calls() const { return calls_; }
  int CountOf(int slot) const;
  // Position of the first call of `slot` in calls(), or -1.
  int FirstCallOf(int slot) const;

 private:
  template <int N>
  friend struct Slot;
  void *const *vtable_;  // must stay the first member: it is what callers read
  std::vector<int> calls_;
};

// Method numbers used by the tests.
enum : int {
  kRelease = 2,
  kReaderClose = 4,       // IWMReader: Open 3, Close 4
  kWriterEndWriting = 12,  // IWMWriter: ... BeginWriting 11, EndWriting 12
  kWriterFlush = 15,       // ... AllocateSample 13, WriteSample 14, Flush 15
};

#endif
