// The reader callback driven directly, as the runtime drives it: samples the import
// must skip and samples it must not read past.
#include <gtest/gtest.h>
#include <string.h>

#include "../../plugin/reader_callback.h"
#include "import_harness.h"
#include "wmf.h"

using namespace importtest;

namespace {

const int kWidth = 160;
const int kHeight = 120;
const DWORD kRowBytes = kWidth * 3;  // already a multiple of 4

/* A sample buffer over bytes of the test's own. */
class TestSample final : public INSSBuffer {
 public:
  explicit TestSample(std::vector<BYTE> bytes) : bytes_(std::move(bytes)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetLength(DWORD *length) override {
    *length = (DWORD)bytes_.size();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetLength(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMaxLength(DWORD *length) override { return GetLength(length); }
  HRESULT STDMETHODCALLTYPE GetBuffer(BYTE **buffer) override {
    *buffer = bytes_.data();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetBufferAndLength(BYTE **buffer, DWORD *length) override {
    GetBuffer(buffer);
    return GetLength(length);
  }

 private:
  std::vector<BYTE> bytes_;
};

std::vector<BYTE> FlatPicture(BYTE blue, BYTE green, BYTE red, size_t size = kRowBytes * kHeight) {
  std::vector<BYTE> bytes(size);
  for (size_t i = 0; i + 2 < size; i += 3) {
    bytes[i] = blue;
    bytes[i + 1] = green;
    bytes[i + 2] = red;
  }
  return bytes;
}

class CallbackTest : public InstanceTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(InstanceTest::SetUp());
    // A first request opens the transfer and makes the callback and the frame bitmap.
    ASSERT_EQ(RequestFrame(instance_, 0, clip_), 1);
    InstanceBlock *block = Block(instance_);
    callback_ = block->readerCallback;
    frameBitmap_ = block->frameBitmap;
    ASSERT_TRUE(callback_ != nullptr);
    ASSERT_TRUE(frameBitmap_ != nullptr);
  }
  /* Arms output 0 as a frame request does, without starting the reader. */
  void Arm() {
    InstanceBlock *block = Block(instance_);
    block->wantedOutput = 0;
    block->result = nullptr;
  }

  /* One sample as the runtime delivers it. The reader is idle, so the callback is
   * kept from stopping it: a stop outside a play would report late and out of turn. */
  void Deliver(DWORD output, DWORD flags, TestSample *sample) {
    InstanceBlock *block = Block(instance_);
    IWMReader *reader = block->reader;
    block->reader = nullptr;
    EXPECT_EQ(callback_->OnSample(output, 0, 333333, flags, sample, block), S_OK);
    block->reader = reader;
  }

  IWMReaderCallback *callback_ = nullptr;
  HGLOBAL frameBitmap_ = nullptr;
};

TEST_F(CallbackTest, AnswersOnlyItsOwnInterfaces) {
  void *object = nullptr;
  EXPECT_EQ(callback_->QueryInterface(IID_IWMReaderCallback, &object), S_OK);
  EXPECT_EQ(object, static_cast<void *>(callback_));
  object = &object;
  EXPECT_EQ(callback_->QueryInterface(IID_IWMHeaderInfo, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  // The transfer owns the object: counting changes nothing.
  EXPECT_EQ(callback_->AddRef(), 1u);
  EXPECT_EQ(callback_->Release(), 1u);
  EXPECT_EQ(callback_->Release(), 1u);
  EXPECT_EQ(RequestFrame(instance_, 1, clip_), 1);
}

TEST_F(CallbackTest, SkipsDataLossAndOtherOutputsThenTakesTheNextSample) {
  Arm();
  TestSample damaged(FlatPicture(1, 2, 3));
  TestSample audio(FlatPicture(4, 5, 6));
  TestSample good(FlatPicture(10, 20, 30));
  TestSample later(FlatPicture(70, 80, 90));
  Deliver(0, WM_SF_DATALOSS, &damaged);
  Deliver(1, 0, &audio);
  {
    InstanceBlock *block = Block(instance_);
    EXPECT_TRUE(block->result == nullptr);
    EXPECT_EQ(block->wantedOutput, 0u) << "still waiting for a good sample";
  }
  Deliver(0, WM_SF_CLEANPOINT, &good);
  Deliver(0, 0, &later);
  {
    InstanceBlock *block = Block(instance_);
    EXPECT_EQ(block->wantedOutput, kNoWantedOutput);
    EXPECT_EQ(block->result, frameBitmap_) << "the frame bitmap is reused";
    EXPECT_EQ(block->frameBitmap, frameBitmap_);
  }
  Picture frame = PictureOfDib(ResultBytes(instance_));
  ASSERT_EQ(frame.bgr.size(), (size_t)kWidth * kHeight * 3);
  for (size_t i = 0; i < frame.bgr.size(); i += 3) {
    ASSERT_EQ(frame.bgr[i], 10) << i;
    ASSERT_EQ(frame.bgr[i + 1], 20) << i;
    ASSERT_EQ(frame.bgr[i + 2], 30) << i;
  }
  // The transfer goes on from the real reader.
  ASSERT_EQ(RequestFrame(instance_, 40, clip_), 1);
  double right = MatchOfFrame(PictureOfDib(ResultBytes(instance_)), "av.bgr", kWidth, kHeight, 40);
  EXPECT_GE(right, 30.0);
}

// A 24-bit output whose header leaves biSizeImage 0 still gives its pixels, also
// when they are copied into the reused frame bitmap.
TEST_F(CallbackTest, ZeroImageSizeStillCopiesThePixels) {
  static_cast<ReaderCallback *>(callback_)->source().header.biSizeImage = 0;
  Arm();
  TestSample sample(FlatPicture(40, 50, 60));
  Deliver(0, 0, &sample);
  EXPECT_EQ(Block(instance_)->result, frameBitmap_);
  Picture frame = PictureOfDib(ResultBytes(instance_));
  ASSERT_EQ(frame.bgr.size(), (size_t)kWidth * kHeight * 3);
  for (size_t i = 0; i < frame.bgr.size(); i += 3) {
    ASSERT_EQ(frame.bgr[i], 40) << i;
    ASSERT_EQ(frame.bgr[i + 2], 60) << i;
  }
}

// A sample shorter than its header announces gives no frame, and the request that
// took it ends at once instead of playing to the end of the file.
TEST_F(CallbackTest, ShortSamplesAreNotReadPast) {
  Arm();
  TestSample shortSample(FlatPicture(10, 20, 30, kRowBytes * kHeight - 1));
  Deliver(0, 0, &shortSample);
  InstanceBlock *block = Block(instance_);
  EXPECT_TRUE(block->result == nullptr);
  EXPECT_EQ(block->wantedOutput, kNoWantedOutput);
}

}  // namespace
