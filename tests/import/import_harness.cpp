// The import tests' harness.
#include "import_harness.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "files.h"
#include "test_pattern.h"

namespace importtest {
namespace {

using testsupport::NativePath;

std::string ClipFolder() { return NativePath(QV_TEST_CLIPS); }

void MakeClipsOnce() {
  static bool made = false;
  if (made) return;
#ifndef _WIN32
  // Test cases run as processes side by side; the lock lets one of them make the clips.
  std::string command = std::string("flock '") + QV_TEST_CLIPS + ".lock' sh '" + QV_TEST_MAKE_CLIPS + "' '" +
                        QV_TEST_CLIPS + "'";
  ASSERT_EQ(system(command.c_str()), 0) << command;
#endif
  made = true;
}

}  // namespace

std::string Clip(const std::string &name) {
  MakeClipsOnce();
#ifdef _WIN32
  return ClipFolder() + "\\" + name;
#else
  return ClipFolder() + "/" + name;
#endif
}

Picture ReferenceFrame(const std::string &reference, int width, int height, int index) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  size_t size = (size_t)width * height * 3;
  picture.bgr.resize(size);
  FILE *file = fopen(Clip(reference).c_str(), "rb");
  EXPECT_TRUE(file != nullptr);
  if (!file) return picture;
  bool read = fseek(file, (long)(size * index), SEEK_SET) == 0 && fread(picture.bgr.data(), 1, size, file) == size;
  fclose(file);
  EXPECT_TRUE(read) << "no frame " << index << " in " << reference;
  return picture;
}

Picture PictureOfDib(const std::vector<BYTE> &dib) {
  Picture picture;
  BITMAPINFOHEADER header;
  if (dib.size() < sizeof(header)) {
    ADD_FAILURE() << "packed DIB of " << dib.size() << " bytes";
    return picture;
  }
  memcpy(&header, dib.data(), sizeof(header));
  EXPECT_EQ(header.biSize, 40u);
  EXPECT_EQ(header.biBitCount, 24);
  EXPECT_EQ(header.biPlanes, 1);
  EXPECT_GT(header.biWidth, 0);
  EXPECT_GT(header.biHeight, 0);
  if (header.biBitCount != 24 || header.biWidth <= 0 || header.biHeight <= 0 || header.biWidth > 8192 ||
      header.biHeight > 8192)
    return picture;
  size_t stride = ((size_t)header.biWidth * 3 + 3) & ~(size_t)3;
  EXPECT_GE(dib.size(), 40 + stride * header.biHeight);
  if (dib.size() < 40 + stride * header.biHeight) return picture;
  picture.width = header.biWidth;
  picture.height = header.biHeight;
  picture.bgr.resize((size_t)picture.width * picture.height * 3);
  // Rows are stored bottom-up.
  for (int y = 0; y < picture.height; ++y)
    memcpy(&picture.bgr[(size_t)y * picture.width * 3], &dib[40 + stride * (picture.height - 1 - y)],
           (size_t)picture.width * 3);
  return picture;
}

double Psnr(const Picture &a, const Picture &b) {
  if (a.width != b.width || a.height != b.height || a.bgr.size() != b.bgr.size() || a.bgr.empty()) return 0;
  return testsupport::Psnr(a.bgr.data(), b.bgr.data(), a.bgr.size());
}

double MatchOfFrame(const Picture &frame, const std::string &reference, int width, int height, int index) {
  double match = Psnr(frame, ReferenceFrame(reference, width, height, index));
  if (PlatformRuntime() && index > 0) {
    double earlier = Psnr(frame, ReferenceFrame(reference, width, height, index - 1));
    if (earlier > match) match = earlier;
  }
  return match;
}

void InstanceTest::SetUp() {
  instance_ = Pi().piLocalInit(0, 0);
  ASSERT_TRUE(instance_ != nullptr);
  clip_ = Clip("av.wmv");
}

void InstanceTest::TearDown() {
  Pi().piLocalProcessDataEnd(0, instance_);
  Pi().piLocalDone(0, instance_);
}

BOOL RequestFrame(HGLOBAL instance, LONG position, const std::string &file) {
  EXPECT_EQ(Pi().piLocalLength(0, instance, position), 1);
  return Pi().piLocalLoadData(0, instance, 1, file.c_str());
}

std::vector<BYTE> ResultBytes(HGLOBAL instance) { return qvhost::CopyGlobal(Pi().piLocalGetData(0, instance)); }

bool PlatformRuntime() {
#ifdef _WIN32
  return true;
#else
  return false;
#endif
}

}  // namespace importtest
