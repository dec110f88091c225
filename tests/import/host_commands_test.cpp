// qvhost's info and frames commands on real files.
#include <gtest/gtest.h>
#include <stdio.h>

#include <filesystem>

#include "environment.h"
#include "files.h"
#include "fixtures.h"
#include "import_harness.h"
#include "run_command.h"

using namespace importtest;

namespace {

struct HostRun {
  int status = -1;
  std::string output;  // standard output and error together
};

// qvhost run in `folder` when one is given.
HostRun Host(const std::string &arguments, const std::string &folder = "") {
  HostRun run;
  const std::string in = folder.empty() ? "" : "cd '" + folder + "' && ";
  run.output = testsupport::RunCommand(
      in + "'" + QV_TEST_QVHOST + "' --plugin '" + QV_PLUGIN_PATH + "' " + arguments + " 2>&1", &run.status);
  return run;
}

TEST(HostCommandsTest, InfoPrintsTheRecordAndTheKinds) {
  HostRun run = Host("info '" + Clip("av.wmv") + "'");
  EXPECT_EQ(run.status, 0) << run.output;
  for (const char *line : {"format flags:      0x05000003\n", "frame count:       300\n",
                           "frame rate:        30000\n", "biWidth:           160\n",
                           "audio length:      441000\n", "nSamplesPerSec:    44100\n",
                           "output kinds:      1 2\n"})
    EXPECT_NE(run.output.find(line), std::string::npos) << line << "in:\n" << run.output;
}

TEST(HostCommandsTest, FramesWritesBmpFilesOfTheRightFrames) {
  testsupport::TempFolder temp;
  const std::string folder = temp / "frames";
  HostRun run = Host("frames '" + Clip("av.wmv") + "' --from 10 --to 20 --every 5 -o '" + folder + "'");
  ASSERT_EQ(run.status, 0) << run.output;
  for (int position : {10, 15, 20}) {
    char name[32];
    snprintf(name, sizeof(name), "/frame-%06d.bmp", position);
    std::vector<BYTE> dib;
    std::string error;
    ASSERT_TRUE(qvhost::ReadBmpFile(folder + name, &dib, &error)) << error;
    EXPECT_GE(Psnr(PictureOfDib(dib), ReferenceFrame("av.bgr", 160, 120, position)), 30.0) << position;
  }
  EXPECT_FALSE(std::filesystem::exists(folder + "/frame-000011.bmp"));
  run = Host("frames '" + Clip("av.wmv") + "' --at 299 -o '" + folder + "'");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(std::filesystem::exists(folder + "/frame-000299.bmp"));
}

TEST(HostCommandsTest, ErrorsAreClearAndFail) {
  testsupport::TempFolder temp;
  const std::string folder = temp / "errors";
  struct Case {
    std::string arguments;
    const char *message;
  } cases[] = {
      {"info '" + Clip("missing.wmv") + "'", "no such file"},
      {"info '" + Clip("notmedia.wmv") + "'", "as a Windows Media file"},
      {"frames '" + Clip("av.wmv") + "' --at 300 -o '" + folder + "'", "past the end"},
      {"frames '" + Clip("audio.wmv") + "' --at 0 -o '" + folder + "'", "has no video"},
      {"frames '" + Clip("av.wmv") + "' --from 5 --to 2 -o '" + folder + "'", "--from no later than --to"},
      {"frames '" + Clip("av.wmv") + "' --at 1", "usage"},
  };
  for (const Case &c : cases) {
    HostRun run = Host(c.arguments);
    EXPECT_NE(run.status, 0) << c.arguments;
    EXPECT_NE(run.output.find(c.message), std::string::npos) << c.arguments << ":\n" << run.output;
  }
}

// Files whose header says more than FFmpeg shows: each is described as the reader
// reads it, and its frames agree with the record.
TEST(HostCommandsTest, HeaderDeclaredStreamsAndProtection) {
  using wmf_fixtures::Fixture;
  using wmf_fixtures::FixturePath;
  HostRun run = Host("info '" + FixturePath(Fixture::Protected) + "'");
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.output.find("is protected (DRM) and cannot be read"), std::string::npos) << run.output;

  run = Host("info '" + FixturePath(Fixture::CoverArt) + "'");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("sound, no video"), std::string::npos) << run.output;

  // Two bit rates of one picture: one video output, whose every frame is there.
  const std::string multi = FixturePath(Fixture::MultiBitrate);
  run = Host("info '" + multi + "' --raw");
  EXPECT_EQ(run.status, 0) << run.output;
  for (const char *line : {"frame count:       60\n", "output kinds:      1\n"})
    EXPECT_NE(run.output.find(line), std::string::npos) << line << "in:\n" << run.output;
  testsupport::TempFolder temp;
  run = Host("frames '" + multi + "' --from 0 --to 59 --every 59 -o '" + temp.path() + "'");
  EXPECT_EQ(run.status, 0) << run.output;
  for (int position : {0, 59}) {
    char name[32];
    snprintf(name, sizeof(name), "frame-%06d.bmp", position);
    std::vector<BYTE> dib;
    std::string error;
    ASSERT_TRUE(qvhost::ReadBmpFile(temp / name, &dib, &error)) << error;
    ASSERT_EQ(dib.size(), 40u + 320 * 240 * 3);
    const testsupport::Picture picture{dib.data() + 40, 320, 240, 320 * 3, 24};
    EXPECT_EQ(testsupport::ReadFrameNumber(picture), position);
  }
}

// A name with a colon before any slash is a file's on every side, not a protocol's:
// qvhost's reading of a source, the plug-in's writing and reading.
TEST(HostCommandsTest, FilesNamedWithAColonAreWrittenAndReadBack) {
  testsupport::PrivateRegistry registry;
  const std::string folder = registry.folder().path();
  std::filesystem::copy_file(Clip("video.wmv"), folder + "/2024-05-01T10:30:00.wmv");
  HostRun run = Host("export 'copy:1.wmv' --from '2024-05-01T10:30:00.wmv'", folder);
  ASSERT_EQ(run.status, 0) << run.output;
  run = Host("frames 'copy:1.wmv' --at 59 -o last.bmp", folder);
  ASSERT_EQ(run.status, 0) << run.output;
  std::vector<BYTE> dib;
  std::string error;
  ASSERT_TRUE(qvhost::ReadBmpFile(folder + "/last.bmp", &dib, &error)) << error;
  const Picture last = PictureOfDib(dib);
  EXPECT_EQ(last.width, 160);
  EXPECT_EQ(last.height, 120);
}

}  // namespace
