// Resources registered by a library and found through the Win32 resource calls.
#include <gtest/gtest.h>

#include <cstring>

#include "win32.h"

namespace {

const BYTE kTemplate[] = {1, 2, 3, 4, 5};
const Win32Resource kTable[] = {
    {RT_STRING, MAKEINTRESOURCEA(1), "Windows Media Video (*.WMV)", 27},
    {RT_STRING, MAKEINTRESOURCEA(30000), "*.wmv", 5},
    {RT_DIALOG, MAKEINTRESOURCEA(1), kTemplate, sizeof kTemplate},
    {"CUSTOM", "Named", "xyz", 3},
};

TEST(Resources, StringsAreCopiedTruncatedAndWithdrawnPerModule) {
  HMODULE module = Win32ModuleFromAddress(static_cast<const void *>(kTable));
  ASSERT_NE(module, nullptr);
  HMODULE other = reinterpret_cast<HMODULE>(reinterpret_cast<char *>(module) + 0x10000);
  Win32RegisterResources(module, kTable, 4);

  char buffer[128];
  EXPECT_EQ(LoadStringA(module, 1, buffer, sizeof buffer), 27);
  EXPECT_STREQ(buffer, "Windows Media Video (*.WMV)");
  EXPECT_EQ(LoadStringA(module, 30000, buffer, 4), 3) << "at most size - 1 characters";
  EXPECT_STREQ(buffer, "*.w");
  EXPECT_EQ(LoadStringA(module, 2, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "") << "a missing string leaves an empty buffer";
  EXPECT_EQ(LoadStringA(other, 1, buffer, sizeof buffer), 0) << "another module has its own strings";

  HRSRC dialog = FindResourceA(module, MAKEINTRESOURCEA(1), RT_DIALOG);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(SizeofResource(module, dialog), sizeof kTemplate);
  EXPECT_EQ(std::memcmp(LockResource(LoadResource(module, dialog)), kTemplate, sizeof kTemplate), 0);
  HRSRC named = FindResourceA(module, "named", "custom");
  ASSERT_NE(named, nullptr) << "names compare without case";
  EXPECT_EQ(SizeofResource(module, named), 3u);
  EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCEA(2), RT_DIALOG), nullptr);

  Win32WithdrawResources(module);
  EXPECT_EQ(LoadStringA(module, 1, buffer, sizeof buffer), 0);
  EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCEA(1), RT_DIALOG), nullptr);
}

TEST(Resources, ModuleHandleIsTheLoadedObjectsBase) {
  HMODULE program = Win32ModuleFromAddress(reinterpret_cast<const void *>(&kTable));
  HMODULE standIn = Win32ModuleFromAddress(reinterpret_cast<const void *>(&LoadStringA));
  EXPECT_NE(program, nullptr);
  EXPECT_NE(standIn, nullptr);
  EXPECT_NE(program, standIn);
  EXPECT_EQ(Win32ModuleFromAddress(reinterpret_cast<const void *>(&GlobalAlloc)), standIn);
  EXPECT_EQ(Win32ModuleFromAddress(nullptr), nullptr);
}

}  // namespace
