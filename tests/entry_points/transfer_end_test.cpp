// The transfer end (piLocalProcessDataEnd) and the block's end (piLocalDone) with a
// transfer still open, and the requests such a block refuses, on blocks whose runtime
// objects are recording fakes.
#include <cstring>

#include "fake_com_object.h"
#include "instance_block.h"
#include "loaded_plugin.h"

namespace {

using testsupport::Block;
using TransferEnd = testsupport::PluginTest;

struct OpenImport {
  FakeComObject reader;
  HGLOBAL frame = nullptr;
};

// What an import leaves in a block after a fetch: the reader, the frame bitmap, and
// the bitmap also as the result handle.
void ArrangeImport(InstanceBlock *block, OpenImport *import) {
  import->frame = GlobalAlloc(GMEM_MOVEABLE, 64);
  block->reader = import->reader.As<IWMReader>();
  block->transferOpen = 1;
  block->frameBitmap = import->frame;
  block->result = import->frame;
  block->requestedPosition = 42;
  block->lastGoodPosition = 41;
  block->format.flags = 0x05000003;
  block->format.frameCount = 300;
}

struct OpenExport {
  FakeComObject writer, manager, profile, video, audio;
};

void ArrangeExport(InstanceBlock *block, OpenExport *exporting) {
  block->writer = exporting->writer.As<IWMWriter>();
  block->profileManager = exporting->manager.As<IWMProfileManager>();
  block->profile = exporting->profile.As<IWMProfile>();
  block->videoInput = exporting->video.As<IWMInputMediaProps>();
  block->audioInput = exporting->audio.As<IWMInputMediaProps>();
  block->videoInputNumber = 0;
  block->audioInputNumber = 1;
  block->videoFrameCounter = 25;
  block->audioSampleCounter = 44100;
  block->transferOpen = 1;
}

bool Freed(HGLOBAL handle) {
#ifdef _WIN32
  return true;  // a freed handle cannot be asked about safely on Windows
#else
  return GlobalFlags(handle) == GMEM_INVALID_HANDLE;
#endif
}

TEST_F(TransferEnd, FreshBlockEndsWithNothingToReleaseAndNothingChanged) {
  qvhost::Instance instance(plugin());
  ASSERT_TRUE(instance);
  InstanceBlock before;
  std::memcpy(&before, Block(instance.handle()), sizeof before);
  EXPECT_EQ(pi().piLocalProcessDataEnd(0, instance.handle()), 1);
  EXPECT_EQ(pi().piLocalProcessDataEnd(0, instance.handle()), 1);
  EXPECT_EQ(std::memcmp(&before, Block(instance.handle()), sizeof before), 0);
}

TEST_F(TransferEnd, ImportIsClosedReleasedAndItsFrameNeverHandedOutAgain) {
  qvhost::Instance instance(plugin());
  ASSERT_TRUE(instance);
  InstanceBlock *block = Block(instance.handle());
  OpenImport import;
  ArrangeImport(block, &import);

  EXPECT_EQ(pi().piLocalProcessDataEnd(0, instance.handle()), 1);
  EXPECT_EQ(import.reader.CountOf(kReaderClose), 1);
  EXPECT_EQ(import.reader.CountOf(kRelease), 1);
  EXPECT_LT(import.reader.FirstCallOf(kReaderClose), import.reader.FirstCallOf(kRelease));
  EXPECT_EQ(block->reader, nullptr);
  EXPECT_EQ(block->transferOpen, 0);
  EXPECT_EQ(block->frameBitmap, nullptr);
  EXPECT_TRUE(Freed(import.frame));
  EXPECT_NE(block->result, import.frame);
  // What the transfer end does not own keeps its value.
  EXPECT_EQ(block->requestedPosition, 42);
  EXPECT_EQ(block->lastGoodPosition, 41);
  EXPECT_EQ(block->format.flags, 0x05000003u);
  EXPECT_EQ(block->format.frameCount, 300);

  // The host asking again gets the file pattern, not the freed frame.
  HGLOBAL result = pi().piLocalGetData(0, instance.handle());
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(GlobalSize(result), 6u);
  EXPECT_STREQ(static_cast<const char *>(GlobalLock(result)), "*.wmv");
  GlobalUnlock(result);

  // A second end finds nothing left to release.
  EXPECT_EQ(pi().piLocalProcessDataEnd(0, instance.handle()), 1);
  EXPECT_EQ(import.reader.calls().size(), 2u);
  GlobalFree(result);
}

TEST_F(TransferEnd, ExportIsFlushedEndedAndEveryObjectReleasedOnce) {
  qvhost::Instance instance(plugin());
  ASSERT_TRUE(instance);
  InstanceBlock *block = Block(instance.handle());
  OpenExport exporting;
  ArrangeExport(block, &exporting);

  EXPECT_EQ(pi().piLocalProcessDataEnd(0, instance.handle()), 1);
  const FakeComObject &writer = exporting.writer;
  ASSERT_EQ(writer.CountOf(kWriterFlush), 1);
  ASSERT_EQ(writer.CountOf(kWriterEndWriting), 1);
  EXPECT_LT(writer.FirstCallOf(kWriterFlush), writer.FirstCallOf(kWriterEndWriting));
  EXPECT_LT(writer.FirstCallOf(kWriterEndWriting), writer.FirstCallOf(kRelease));
  for (const FakeComObject *object :
       {&exporting.writer, &exporting.manager, &exporting.profile, &exporting.video, &exporting.audio})
    EXPECT_EQ(object->CountOf(kRelease), 1);
  EXPECT_EQ(block->writer, nullptr);
  EXPECT_EQ(block->profileManager, nullptr);
  EXPECT_EQ(block->profile, nullptr);
  EXPECT_EQ(block->videoInput, nullptr);
  EXPECT_EQ(block->audioInput, nullptr);
  EXPECT_EQ(block->transferOpen, 0);
  EXPECT_EQ(block->videoInputNumber, 0);
  EXPECT_EQ(block->audioInputNumber, 1);
  EXPECT_EQ(block->videoFrameCounter, 25);
  EXPECT_EQ(block->audioSampleCounter, 44100);

  EXPECT_EQ(pi().piLocalProcessDataEnd(0, instance.handle()), 1);
  EXPECT_EQ(exporting.writer.calls().size(), 3u) << "nothing is released twice";
}

TEST_F(TransferEnd, ForeignIndexOrNullBlockEndsNothing) {
  OpenImport import;  // outlives the instance, whose end releases it
  qvhost::Instance instance(plugin());
  ASSERT_TRUE(instance);
  ArrangeImport(Block(instance.handle()), &import);
  EXPECT_EQ(pi().piLocalProcessDataEnd(1, instance.handle()), 0);
  EXPECT_EQ(pi().piLocalProcessDataEnd(0, nullptr), 0);
  EXPECT_TRUE(import.reader.calls().empty());
  EXPECT_EQ(Block(instance.handle())->frameBitmap, import.frame);
  // The instance's destructor ends the transfer as a host does.
}

// The host takes a copy of the record and frees it; a request refused after that
// (audio or another kind, or a frame while an export is open) leaves no result, so
// piLocalGetData answers with the file pattern and never with the freed copy.
TEST_F(TransferEnd, RefusedRequestsNeverLeaveTheCopyTheHostFreed) {
  OpenExport exporting;
  qvhost::Instance instance(plugin());
  ASSERT_TRUE(instance);
  for (LONG kind : {2, 7, 1, 0}) {
    SCOPED_TRACE(kind);
    ASSERT_EQ(pi().piLocalLoadData(0, instance.handle(), 0, nullptr), 1);
    GlobalFree(pi().piLocalGetData(0, instance.handle()));
    if (kind < 2) ArrangeExport(Block(instance.handle()), &exporting);
    EXPECT_EQ(pi().piLocalLoadData(0, instance.handle(), kind, nullptr), 0);
    HGLOBAL result = pi().piLocalGetData(0, instance.handle());
    EXPECT_EQ(qvhost::CopyGlobal(result), std::vector<BYTE>(std::begin("*.wmv"), std::end("*.wmv")));
    GlobalFree(result);
    if (kind < 2) {
      EXPECT_EQ(Block(instance.handle())->writer, exporting.writer.As<IWMWriter>()) << "the export stays open";
    }
    pi().piLocalProcessDataEnd(0, instance.handle());
  }
}

TEST_F(TransferEnd, DoneWithAnOpenTransferEndsItBeforeFreeingTheBlock) {
  HGLOBAL handle = pi().piLocalInit(0, 0);
  ASSERT_NE(handle, nullptr);
  OpenImport import;
  OpenExport exporting;
  ArrangeImport(Block(handle), &import);
  ArrangeExport(Block(handle), &exporting);
#ifndef _WIN32
  LONG live = Win32GlobalBlockCount();
#endif

  pi().piLocalDone(0, handle);
  EXPECT_EQ(import.reader.CountOf(kReaderClose), 1);
  EXPECT_EQ(import.reader.CountOf(kRelease), 1);
  EXPECT_TRUE(Freed(import.frame));
  EXPECT_EQ(exporting.writer.CountOf(kWriterFlush), 1);
  EXPECT_EQ(exporting.writer.CountOf(kWriterEndWriting), 1);
  for (const FakeComObject *object :
       {&exporting.writer, &exporting.manager, &exporting.profile, &exporting.video, &exporting.audio})
    EXPECT_EQ(object->CountOf(kRelease), 1);
#ifndef _WIN32
  EXPECT_EQ(Win32GlobalBlockCount(), live - 2) << "the frame bitmap and the block are freed";
#endif
}

}  // namespace
