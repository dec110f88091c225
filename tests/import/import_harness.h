/* What the import tests share: the clips FFmpeg made with their reference frames, and
 * a look into the instance block. */
#ifndef QV_TESTS_IMPORT_HARNESS_H
#define QV_TESTS_IMPORT_HARNESS_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../../plugin/instance_block.h"
#include "environment.h"
#include "loaded_plugin.h"

namespace importtest {

using testsupport::Block;
using testsupport::Pi;

/* Path of a clip made by make-clips.sh ("av.wmv"), made on first use. */
std::string Clip(const std::string &name);

/* A decoded frame: width, height and top-down BGR rows without padding. */
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<BYTE> bgr;
};

/* Frame `index` of FFmpeg's own decode of a clip (`reference` names the .bgr file). */
Picture ReferenceFrame(const std::string &reference, int width, int height, int index);

/* A 24-bit packed DIB as the plug-in hands it out, as a Picture; fails the test on a
 * malformed one. */
Picture PictureOfDib(const std::vector<BYTE> &dib);

double Psnr(const Picture &a, const Picture &b);

/* How well `frame` matches FFmpeg's frame `index` (PSNR in dB). On the platform's
 * runtime under Wine the frame one earlier counts as well: Wine's reader (GStreamer)
 * gives each frame of these ASF files 40 ms and hands out the frame that overlaps the
 * start time, which at 30 frames per second is the one before. Our runtime hands out
 * the frame on screen at the start time, which is what a host asks for; the
 * allowance only lets the same tests run against Wine's reader as it is. */
double MatchOfFrame(const Picture &frame, const std::string &reference, int width, int height, int index);

/* A fresh instance block for each test, with the clip "av.wmv"; its transfer is ended
 * and the block freed after the test. */
class InstanceTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  HGLOBAL instance_ = nullptr;
  std::string clip_;
};

/* piLocalLength then piLocalLoadData kind 1. */
BOOL RequestFrame(HGLOBAL instance, LONG position, const std::string &file);

/* The frame the last request left behind, copied. */
std::vector<BYTE> ResultBytes(HGLOBAL instance);

using testsupport::ScopedEnv;

/* True when the media runtime is the platform's (Wine's under wine64), not ours. */
bool PlatformRuntime();

}  // namespace importtest

#endif
