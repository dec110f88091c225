#include "fake_com_object.h"

#include <cstddef>
#include <utility>

template <int N>
struct Slot {
  static long Call(FakeComObject *self) {
    self->calls_.push_back(N);
    return 0;
  }
};

namespace {

template <int... N>
struct Table {
  static void *const *Entries() {
    static void *const entries[] = {reinterpret_cast<void *>(&Slot<N>::Call)...};
    return entries;
  }
};

template <int... N>
void *const *MakeTable(std::integer_sequence<int, N...>) {
  return Table<N...>::Entries();
}

}  // namespace

FakeComObject::FakeComObject() : vtable_(MakeTable(std::make_integer_sequence<int, 64>())) {}

int FakeComObject::CountOf(int slot) const {
  int count = 0;
  for (int call : calls_) count += call == slot;
  return count;
}

int FakeComObject::FirstCallOf(int slot) const {
  for (size_t i = 0; i < calls_.size(); ++i)
    if (calls_[i] == slot) return (int)i;
  return -1;
}
