// The module-wide queries and the per-instance accessors, through the exported entry
// points of the built library.
#include <cstdio>
#include <cstring>
#include <vector>

#ifndef _WIN32
#  include <sys/stat.h>
#endif

#include "instance_block.h"
#include "loaded_plugin.h"

namespace {

using testsupport::Block;

constexpr DWORD kCapabilities = 0x47070203;
constexpr DWORD kCapabilitiesWithImport = 0x47070303;
constexpr const char *kFormatName = "Windows Media Video (*.WMV)";

LONG SetImportAllowed(const DWORD *value) {
  HKEY key = nullptr;
  LONG status =
      RegCreateKeyExA(HKEY_CURRENT_USER, QPL_SETTINGS_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return status;
  if (value)
    status = RegSetValueExA(key, QPL_SETTING_IMPORT_ALLOWED, 0, REG_DWORD, reinterpret_cast<const BYTE *>(value),
                            sizeof *value);
  else
    RegDeleteValueA(key, QPL_SETTING_IMPORT_ALLOWED);
  RegCloseKey(key);
  return status;
}

[[maybe_unused]] bool SettingsKeyExists() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, QPL_SETTINGS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

using ModuleQueries = testsupport::PluginTest;
using InstanceAccessors = testsupport::PluginTest;

TEST_F(ModuleQueries, CountInitDoneAndIconAnswerForFormatZeroOnly) {
  EXPECT_EQ(pi().piCount(), 1u);
  EXPECT_EQ(pi().piInit(0), 1);
  EXPECT_EQ(pi().piInit(1), 0);
  EXPECT_EQ(pi().piDone(0), 1);
  EXPECT_EQ(pi().piDone(1), 0);
  EXPECT_EQ(pi().piDone(0xFFFFFFFFu), 0);
  EXPECT_EQ(pi().piIcon(0, 0), 0u);
  EXPECT_EQ(pi().piIcon(0, 1234), 0u);
  EXPECT_EQ(pi().piFlags(1), 0u);
  EXPECT_EQ(pi().piLocalInit(1, 0), nullptr);
}

TEST_F(ModuleQueries, CapabilityWordFollowsImportAllowed) {
  SetImportAllowed(nullptr);
  EXPECT_EQ(pi().piFlags(0), kCapabilities);
  DWORD one = 1, zero = 0, other = 0x80000000u;
  ASSERT_EQ(SetImportAllowed(&one), ERROR_SUCCESS);
  EXPECT_EQ(pi().piFlags(0), kCapabilitiesWithImport);
  ASSERT_EQ(SetImportAllowed(&other), ERROR_SUCCESS);
  EXPECT_EQ(pi().piFlags(0), kCapabilitiesWithImport);
  EXPECT_EQ(pi().piFlags(1), 0u) << "a foreign index answers 0 whatever the setting";
  ASSERT_EQ(SetImportAllowed(&zero), ERROR_SUCCESS);
  EXPECT_EQ(pi().piFlags(0), kCapabilities);
  // Only a number counts: the text "0" is not the number 1 its bytes would make.
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, QPL_SETTINGS_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, QPL_SETTING_IMPORT_ALLOWED, 0, REG_SZ, reinterpret_cast<const BYTE *>("0"), 2), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(pi().piFlags(0), kCapabilities);
  SetImportAllowed(nullptr);
}

#ifndef _WIN32
TEST_F(ModuleQueries, CapabilityQueryCreatesTheSettingsKeyAndSurvivesAnUnusableRegistry) {
  ASSERT_FALSE(SettingsKeyExists()) << "the test's own registry starts empty";
  EXPECT_EQ(pi().piFlags(0), kCapabilities);
  EXPECT_TRUE(SettingsKeyExists());

  // A registry that can be read but not written (where the lock file cannot be made
  // nothing is written; a folder in its way stops root as well): the value still counts.
  DWORD one = 1;
  ASSERT_EQ(SetImportAllowed(&one), ERROR_SUCCESS);
  std::string lock = registry_.file() + ".lock";
  std::remove(lock.c_str());
  ASSERT_EQ(mkdir(lock.c_str(), 0700), 0);
  EXPECT_EQ(pi().piFlags(0), kCapabilitiesWithImport);
  std::remove(lock.c_str());

  // A registry that cannot be written: the key cannot be made, import stays off.
  testsupport::ScopedEnv unwritable("QV_WIN32_REGISTRY", "/proc/qv-no-such-folder/user.reg");
  EXPECT_EQ(pi().piFlags(0), kCapabilities);
}
#endif

TEST_F(ModuleQueries, NameBufferIsEmptyUntilTheFirstPiNameWhateverItsIndex) {
  // A copy of its own, whose name buffer is still empty whatever other tests have asked.
  const qvhost::Plugin *fresh = testsupport::LoadFreshCopyOfPlugin();
  ASSERT_NE(fresh, nullptr);
  const qvhost::EntryPoints &entry = fresh->pi();
  HGLOBAL block = entry.piLocalInit(0, 0);
  ASSERT_NE(block, nullptr);

  const char *before = entry.piLocalName(0, block);
  ASSERT_NE(before, nullptr);
  EXPECT_STREQ(before, "");
  EXPECT_EQ(entry.piLocalName(1, block), nullptr);
  EXPECT_EQ(entry.piLocalName(0, nullptr), nullptr);

  // A foreign index gets no name, but the buffer is filled all the same.
  EXPECT_EQ(entry.piName(1), nullptr);
  EXPECT_STREQ(entry.piLocalName(0, block), kFormatName);
  const char *name = entry.piName(0);
  EXPECT_EQ(name, before) << "one buffer for piName and piLocalName";
  EXPECT_STREQ(name, kFormatName);

  entry.piLocalDone(0, block);
}

TEST_F(InstanceAccessors, NewBlockIsFixedZeroedAndCarriesModeBits) {
  HGLOBAL handle = pi().piLocalInit(0, 0x10);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(GlobalSize(handle), sizeof(InstanceBlock));
  // Fixed memory: the handle is the address, which is what the reader callback uses.
  EXPECT_EQ(GlobalLock(handle), (void *)handle);
  GlobalUnlock(handle);
  EXPECT_EQ(GlobalHandle(handle), handle);

  InstanceBlock *block = Block(handle);
  EXPECT_EQ(block->flags, 0x45070013u);
  EXPECT_EQ(block->requestedPosition, -1);
  // Everything else starts at zero.
  InstanceBlock expected;
  std::memset(&expected, 0, sizeof expected);
  expected.flags = block->flags;
  expected.requestedPosition = -1;
  EXPECT_EQ(std::memcmp(block, &expected, sizeof expected), 0);

  EXPECT_EQ(pi().piLocalFlags(0, handle), 0x45070013u);
  EXPECT_EQ(pi().piLocalFlags(1, handle), 0u);
  EXPECT_EQ(pi().piLocalFlags(0, nullptr), 0u);
  pi().piLocalDone(0, handle);

  HGLOBAL plain = pi().piLocalInit(0, 0);
  EXPECT_EQ(pi().piLocalFlags(0, plain), 0x45070003u);
  HGLOBAL allBits = pi().piLocalInit(0, 0xFFFFFFFFu);
  EXPECT_EQ(pi().piLocalFlags(0, allBits), 0xFFFFFFFFu);
  pi().piLocalDone(0, plain);
  pi().piLocalDone(0, allBits);
}

TEST_F(InstanceAccessors, FilePatternIsASixByteBlockHandedOutOnce) {
  qvhost::Instance instance(plugin());
  ASSERT_TRUE(instance);
  EXPECT_EQ(pi().piLocalGetData(1, instance.handle()), nullptr);
  EXPECT_EQ(pi().piLocalGetData(0, nullptr), nullptr);
  EXPECT_EQ(Block(instance.handle())->result, nullptr) << "refused calls create nothing";

  HGLOBAL pattern = pi().piLocalGetData(0, instance.handle());
  ASSERT_NE(pattern, nullptr);
  EXPECT_EQ(GlobalSize(pattern), 6u);
  EXPECT_EQ(GlobalLock(pattern), (void *)pattern) << "a fixed block";
  GlobalUnlock(pattern);
  EXPECT_EQ(std::memcmp(pattern, "*.wmv", 6), 0);
  EXPECT_EQ(pi().piLocalGetData(0, instance.handle()), pattern) << "the same handle the second time";
  EXPECT_EQ(Block(instance.handle())->result, pattern);
  // The pattern block is the host's: the transfer end leaves it alone.
  EXPECT_EQ(pi().piLocalProcessDataEnd(0, instance.handle()), 1);
  EXPECT_EQ(pi().piLocalGetData(0, instance.handle()), pattern);
  EXPECT_EQ(GlobalSize(pattern), 6u);
  GlobalFree(pattern);
}

TEST_F(InstanceAccessors, PositionAndDataSettersStoreOnlyForFormatZeroAndARealBlock) {
  qvhost::Instance instance(plugin());
  ASSERT_TRUE(instance);
  HGLOBAL handle = instance.handle();
  InstanceBlock *block = Block(handle);

  EXPECT_EQ(pi().piLocalLength(0, handle, 1234), 1);
  EXPECT_EQ(block->requestedPosition, 1234);
  EXPECT_EQ(pi().piLocalLength(1, handle, 7), 0);
  EXPECT_EQ(pi().piLocalLength(0, nullptr, 7), 0);
  EXPECT_EQ(block->requestedPosition, 1234);
  EXPECT_EQ(pi().piLocalLength(0, handle, -5), 1);
  EXPECT_EQ(block->requestedPosition, -5);

  EXPECT_EQ(pi().piLocalProcessDataStart(1, handle), 0);
  EXPECT_EQ(block->requestedPosition, -5);
  EXPECT_EQ(pi().piLocalProcessDataStart(0, handle), 1);
  EXPECT_EQ(block->requestedPosition, 0);
  EXPECT_EQ(pi().piLocalProcessDataStart(0, nullptr), 0);

  static const BYTE data[16] = {1, 2, 3};
  EXPECT_EQ(pi().piLocalSetData(0, handle, data, 16, 0xDEADBEEF, 0xFFFFFFFF), 1);
  EXPECT_EQ(block->data, data);
  EXPECT_EQ(block->dataSize, 16);
  EXPECT_EQ(pi().piLocalSetData(0, handle, nullptr, -1, 0, 0), 1) << "the last two arguments are ignored";
  EXPECT_EQ(block->data, nullptr);
  EXPECT_EQ(block->dataSize, -1);
  EXPECT_EQ(pi().piLocalSetData(1, handle, data, 16, 0, 0), 0);
  EXPECT_EQ(block->data, nullptr);
  EXPECT_EQ(pi().piLocalSetData(0, nullptr, data, 16, 0, 0), 0);

  EXPECT_EQ(pi().piLocalProcessData(0, (ULONG_PTR)handle), 0u);
}

TEST_F(InstanceAccessors, DelegatedEntryPointsRefuseForeignIndexAndNullBlock) {
  qvhost::Instance instance(plugin());
  ASSERT_TRUE(instance);
  BYTE record[128] = {};
  EXPECT_EQ(pi().piLocalSetFormat(1, instance.handle(), record), 0);
  EXPECT_EQ(pi().piLocalSetFormat(0, nullptr, record), 0);
  EXPECT_EQ(pi().piLocalLoadData(1, instance.handle(), 0, "missing.wmv"), 0);
  EXPECT_EQ(pi().piLocalLoadData(0, nullptr, 0, "missing.wmv"), 0);
  EXPECT_EQ(pi().piLocalSaveData(1, instance.handle(), 0, "out.wmv"), 0);
  EXPECT_EQ(pi().piLocalSaveData(0, nullptr, 0, "out.wmv"), 0);
  EXPECT_EQ(pi().piLocalDlg(0, nullptr, nullptr), 0);
  EXPECT_EQ(pi().piLocalProcessDataEnd(1, instance.handle()), 0);
  EXPECT_EQ(pi().piLocalProcessDataEnd(0, nullptr), 0);
  // Nothing above touched the block.
  InstanceBlock *block = Block(instance.handle());
  EXPECT_EQ(block->requestedPosition, -1);
  EXPECT_EQ(block->transferOpen, 0);
  EXPECT_EQ(block->format.flags, 0u);
}

// Only blocks piLocalInit made count as instance blocks. What the plug-in hands out as
// results, or any memory of the host's, even a fixed block of an instance block's size
// whose fields look like interface references, passed back where an instance block
// belongs, is neither read past its end, released from, written, nor freed: every entry
// point refuses it.
TEST_F(InstanceAccessors, HandlesThatAreNotInstanceBlocksAreRefused) {
  qvhost::Instance instance(plugin());
  ASSERT_TRUE(instance);
  HGLOBAL pattern = pi().piLocalGetData(0, instance.handle());
  ASSERT_EQ(pi().piLocalLoadData(0, instance.handle(), 0, nullptr), 1);
  HGLOBAL record = pi().piLocalGetData(0, instance.handle());
  // Frames are movable; one of 1 x 107 pixels is exactly as large as a 32-bit block.
  HGLOBAL frame = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(InstanceBlock));
  HGLOBAL forged = GlobalAlloc(GMEM_FIXED, sizeof(InstanceBlock));
  ASSERT_TRUE(pattern && record && frame && forged);
  std::memset(forged, 0xA5, sizeof(InstanceBlock));
  static const BYTE data[4] = {};
  const BYTE hostRecord[128] = {1};
  for (HGLOBAL foreign : {pattern, record, frame, forged}) {
    SCOPED_TRACE(GlobalSize(foreign));
    SIZE_T size = GlobalSize(foreign);
    std::vector<BYTE> before = qvhost::CopyGlobal(foreign);
    EXPECT_EQ(pi().piLocalFlags(0, foreign), 0u);
    EXPECT_EQ(pi().piLocalGetData(0, foreign), nullptr);
    EXPECT_EQ(pi().piLocalLength(0, foreign, 5), 0);
    EXPECT_EQ(pi().piLocalName(0, foreign), nullptr);
    EXPECT_EQ(pi().piLocalProcessDataStart(0, foreign), 0);
    EXPECT_EQ(pi().piLocalProcessDataEnd(0, foreign), 0);
    EXPECT_EQ(pi().piLocalSetData(0, foreign, data, 4, 0, 0), 0);
    EXPECT_EQ(pi().piLocalDlg(0, foreign, nullptr), 0);
    EXPECT_EQ(pi().piLocalSetFormat(0, foreign, hostRecord), 0);
    EXPECT_EQ(pi().piLocalLoadData(0, foreign, 0, nullptr), 0);
    EXPECT_EQ(pi().piLocalSaveData(0, foreign, 0, "out.wmv"), 0);
    pi().piLocalDone(0, foreign);
    EXPECT_EQ(GlobalSize(foreign), size) << "freed";
    EXPECT_EQ(qvhost::CopyGlobal(foreign), before) << "written";
    GlobalFree(foreign);
  }
}

TEST_F(InstanceAccessors, DoneFreesOnlyForFormatZeroAndIgnoresNull) {
  pi().piLocalDone(0, nullptr);
  HGLOBAL handle = pi().piLocalInit(0, 0);
  ASSERT_NE(handle, nullptr);
  pi().piLocalDone(1, handle);
  EXPECT_EQ(GlobalSize(handle), sizeof(InstanceBlock)) << "a foreign index frees nothing";
  EXPECT_EQ(pi().piLocalFlags(0, handle), 0x45070003u);
  pi().piLocalDone(0, handle);
}

#ifndef _WIN32
// Allocation failures can only be arranged with the stand-in.
TEST_F(InstanceAccessors, AllocationFailureGivesNullAndLeavesTheBlockUsable) {
  Win32FailGlobalAllocAfter(0);
  EXPECT_EQ(pi().piLocalInit(0, 0), nullptr);
  Win32FailGlobalAllocAfter(-1);

  qvhost::Instance instance(plugin());
  ASSERT_TRUE(instance);
  Win32FailGlobalAllocAfter(0);
  EXPECT_EQ(pi().piLocalGetData(0, instance.handle()), nullptr);
  Win32FailGlobalAllocAfter(-1);
  EXPECT_EQ(Block(instance.handle())->result, nullptr);
  HGLOBAL pattern = pi().piLocalGetData(0, instance.handle());
  ASSERT_NE(pattern, nullptr) << "the next call succeeds";
  EXPECT_STREQ(static_cast<const char *>(GlobalLock(pattern)), "*.wmv");
  GlobalFree(pattern);
}

TEST_F(InstanceAccessors, StaleBlockHandlesAreRefusedNotReused) {
  HGLOBAL handle = pi().piLocalInit(0, 0);
  ASSERT_NE(handle, nullptr);
  LONG live = Win32GlobalBlockCount();
  pi().piLocalDone(0, handle);
  EXPECT_EQ(Win32GlobalBlockCount(), live - 1);
  // A host that frees twice must not free someone else's memory.
  pi().piLocalDone(0, handle);
  EXPECT_EQ(Win32GlobalBlockCount(), live - 1);
}
#endif

}  // namespace
