// piLocalSetFormat: which records the export takes, and the copy it keeps.
#include <gtest/gtest.h>

#include <functional>

#include "export_records.h"
#include "test_instance.h"

namespace {

BOOL SetFormat(TestInstance &instance, const std::vector<BYTE> &record) {
  return testsupport::Pi().piLocalSetFormat(0, instance.handle(), record.data());
}

TEST(ExportFormat, WorkedExampleIsTakenAsTheShortForm) {
  TestInstance instance;
  HostFormat host = WorkedExampleRecord();
  ASSERT_TRUE(SetFormat(instance, ShortForm(host)));
  HostFormat copy = instance.Fields().format;
  EXPECT_EQ(0, memcmp(&copy, &host, kHostFormatShortSize));
  EXPECT_EQ(1, copy.longWord76);
  EXPECT_EQ(0u, copy.longWord80);
  EXPECT_EQ(0u, copy.longWord84);
  for (BYTE b : copy.rest) EXPECT_EQ(0, b);
  EXPECT_EQ(0u, copy.bitmap.biSizeImage) << "the image size is filled in by the first frame, not here";
}

TEST(ExportFormat, LongFormKeepsTheHostsBytesButWords80And84) {
  TestInstance instance;
  HostFormat host = WorkedExampleRecord();
  host.longWord76 = 5;
  host.longWord80 = 0xAAAAAAAA;
  host.longWord84 = 0xBBBBBBBB;
  for (size_t i = 0; i < sizeof(host.rest); ++i) host.rest[i] = static_cast<BYTE>(0xC0 + i);
  std::vector<BYTE> record = LongForm(host);
  ASSERT_TRUE(SetFormat(instance, record));
  HostFormat copy = instance.Fields().format;
  EXPECT_EQ(0, memcmp(&copy, record.data(), 80));
  EXPECT_EQ(0u, copy.longWord80);
  EXPECT_EQ(1u, copy.longWord84);
  EXPECT_EQ(0, memcmp(copy.rest, host.rest, sizeof(host.rest)));
}

TEST(ExportFormat, LongFormNeedsWord76OfAtLeastOne) {
  for (LONG word : {0, -1, -2147483647 - 1, 2}) {
    TestInstance instance;
    HostFormat host = WorkedExampleRecord();
    host.longWord76 = word;
    EXPECT_EQ(word > 0, SetFormat(instance, LongForm(host)) != FALSE) << word;
  }
}

TEST(ExportFormat, ImportRecordsComeBackAsTheImportMadeThem) {
  // The import marks a file with video and audio as long form with word 76 = 0.
  HostFormat both = WorkedExampleRecord();
  both.flags = 0x05000003;
  both.audioBufferSize = 0;
  TestInstance first;
  EXPECT_FALSE(SetFormat(first, LongForm(both)));
  // Video alone carries no marker and is taken as the short form.
  HostFormat video = both;
  video.flags = 0x01000001;
  TestInstance second;
  std::vector<BYTE> record(reinterpret_cast<BYTE *>(&video), reinterpret_cast<BYTE *>(&video) + 128);
  EXPECT_TRUE(SetFormat(second, record));
  EXPECT_EQ(1, second.Fields().format.longWord76);
}

struct Case {
  const char *what;
  std::function<void(HostFormat &)> change;
  bool accepted;
};

TEST(ExportFormat, Judgement) {
  const Case cases[] = {
      {"audio alone", [](HostFormat &f) { f.flags = kHostFormatAudio; }, false},
      {"neither", [](HostFormat &f) { f.flags = 0; }, false},
      {"video alone, audio fields unusable", [](HostFormat &f) { f.flags = kHostFormatVideo; f.wave = {}; f.audioLength = -5; }, true},
      {"no frames", [](HostFormat &f) { f.frameCount = 0; }, false},
      {"negative frame count", [](HostFormat &f) { f.frameCount = -1; }, false},
      {"frame rate 0", [](HostFormat &f) { f.frameRate = 0; }, false},
      {"negative frame rate", [](HostFormat &f) { f.frameRate = -30000; }, false},
      {"frame rate 29970", [](HostFormat &f) { f.frameRate = 29970; }, true},
      {"biSize 0", [](HostFormat &f) { f.bitmap.biSize = 0; }, false},
      {"width 0", [](HostFormat &f) { f.bitmap.biWidth = 0; }, false},
      {"height 0", [](HostFormat &f) { f.bitmap.biHeight = 0; }, false},
      {"planes 0", [](HostFormat &f) { f.bitmap.biPlanes = 0; }, false},
      {"planes 2", [](HostFormat &f) { f.bitmap.biPlanes = 2; }, false},
      {"32 bits", [](HostFormat &f) { f.bitmap.biBitCount = 32; }, false},
      {"8 bits", [](HostFormat &f) { f.bitmap.biBitCount = 8; }, false},
      {"RLE8", [](HostFormat &f) { f.bitmap.biCompression = BI_RLE8; }, false},
      {"bit fields", [](HostFormat &f) { f.bitmap.biCompression = BI_BITFIELDS; }, false},
      {"image size given", [](HostFormat &f) { f.bitmap.biSizeImage = 230400; }, true},
      {"odd width", [](HostFormat &f) { f.bitmap.biWidth = 101; }, true},
      {"top-down (negative height)", [](HostFormat &f) { f.bitmap.biHeight = -240; }, false},
      {"negative width", [](HostFormat &f) { f.bitmap.biWidth = -320; }, false},
      {"frame over 2 GB", [](HostFormat &f) { f.bitmap.biWidth = 40000; f.bitmap.biHeight = 20000; }, false},
      {"size that wraps 32 bits", [](HostFormat &f) { f.bitmap.biWidth = 0x40000000; f.bitmap.biHeight = 4; }, false},
      {"image size over 2 GB", [](HostFormat &f) { f.bitmap.biSizeImage = 0x90000000u; }, false},
      {"no audio length", [](HostFormat &f) { f.audioLength = 0; }, false},
      {"negative audio length", [](HostFormat &f) { f.audioLength = -1; }, false},
      {"8-bit mono 11025", [](HostFormat &f) { f.wave = {1, 1, 11025, 11025, 1, 8}; }, true},
      {"22050", [](HostFormat &f) { f.wave.nSamplesPerSec = 22050; }, true},
      {"six channels", [](HostFormat &f) { f.wave.nChannels = 6; f.wave.nBlockAlign = 12; }, true},
      {"24 bits", [](HostFormat &f) { f.wave.wBitsPerSample = 24; }, false},
      {"float tag", [](HostFormat &f) { f.wave.wFormatTag = 3; }, false},
      {"no channels", [](HostFormat &f) { f.wave.nChannels = 0; }, false},
      {"8000 Hz", [](HostFormat &f) { f.wave.nSamplesPerSec = 8000; }, false},
      {"32000 Hz", [](HostFormat &f) { f.wave.nSamplesPerSec = 32000; }, false},
      {"48000 Hz", [](HostFormat &f) { f.wave.nSamplesPerSec = 48000; }, false},
      {"zero block alignment", [](HostFormat &f) { f.wave.nBlockAlign = 0; }, false},
      {"bytes per second not judged", [](HostFormat &f) { f.wave.nAvgBytesPerSec = 1; }, true},
      {"buffer size not judged", [](HostFormat &f) { f.audioBufferSize = 0; }, true},
  };
  for (const Case &c : cases) {
    HostFormat record = WorkedExampleRecord();
    record.longWord76 = 1;  // the long form's own condition, met here
    c.change(record);
    TestInstance shortForm, longForm;
    EXPECT_EQ(c.accepted, SetFormat(shortForm, ShortForm(record)) != 0) << c.what << " (short form)";
    EXPECT_EQ(c.accepted, SetFormat(longForm, LongForm(record)) != 0) << c.what << " (long form)";
  }
}

TEST(ExportFormat, RefusedRecordIsKeptAnyway) {
  TestInstance instance;
  HostFormat record = WorkedExampleRecord();
  record.bitmap.biBitCount = 32;
  ASSERT_FALSE(SetFormat(instance, ShortForm(record)));
  EXPECT_EQ(32, instance.Fields().format.bitmap.biBitCount);
}

TEST(ExportFormat, WrongIndexOrNoBlockChangesNothing) {
  const qvhost::EntryPoints &pi = testsupport::Pi();
  TestInstance instance;
  std::vector<BYTE> record = ShortForm(WorkedExampleRecord());
  EXPECT_FALSE(pi.piLocalSetFormat(1, instance.handle(), record.data()));
  EXPECT_EQ(0, instance.Fields().format.frameCount);
  EXPECT_FALSE(pi.piLocalSetFormat(0, nullptr, record.data()));
  EXPECT_FALSE(pi.piLocalSetFormat(0, instance.handle(), nullptr));
}

}  // namespace
