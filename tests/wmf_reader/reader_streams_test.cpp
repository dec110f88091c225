// Which streams become outputs: those the header declares, one of each group that
// excludes each other (several bit rates of one picture), none of protected content.
#include <algorithm>

#include "asf_objects.h"
#include "asf_streams.h"
#include "files.h"
#include "reader_harness.h"

using namespace wmf_fixtures;
namespace objects = asf_objects;

class ReaderStreams : public ReaderTest {};

TEST_F(ReaderStreams, HeaderObjectsDecideWhichStreamsPlay) {
  // Streams 1 and 2 of a file FFmpeg made, with objects it does not write.
  const std::string plain = FixturePath(Fixture::TwoVideo);
  ASSERT_FALSE(plain.empty());
  struct Case {
    const char *what;
    std::vector<objects::Bytes> topLevel, extension;
    std::vector<int> excluded;
    bool isProtected;
  } cases[] = {
      {"no objects", {}, {}, {}, false},
      {"rates and exclusion in the extension",
       {}, {objects::BitRates({{1, 100000}, {2, 2000000}}), objects::Exclusion({1, 2})}, {1}, false},
      {"at the top level, the first stream faster",
       {objects::BitRates({{1, 2000000}, {2, 100000}}), objects::Exclusion({2, 1})}, {}, {2}, false},
      {"advanced exclusion, rates unknown: the first listed", {}, {objects::Exclusion({2, 1}, true)}, {1}, false},
      {"extended encryption in the extension", {}, {objects::ContentEncryption(true)}, {}, true},
  };
  testsupport::TempFolder temp;
  for (const Case &c : cases) {
    const std::string path = temp / "streams.wmv";
    ASSERT_TRUE(objects::CopyWithObjects(plain, path, c.topLevel, c.extension)) << c.what;
    wmf::AsfStreams streams;
    ASSERT_TRUE(wmf::ReadAsfStreams(path, &streams)) << c.what;
    EXPECT_EQ(streams.declared, (std::vector<int>{1, 2})) << c.what;
    EXPECT_EQ(streams.excluded, c.excluded) << c.what;
    EXPECT_EQ(streams.isProtected, c.isProtected) << c.what;
  }
  // A cover picture is no stream of the file's.
  wmf::AsfStreams streams;
  ASSERT_TRUE(wmf::ReadAsfStreams(FixturePath(Fixture::CoverArt), &streams));
  EXPECT_EQ(streams.declared, std::vector<int>{1});
}

TEST_F(ReaderStreams, MultipleBitRatesGiveOneOutputWithEveryFrame) {
  ASSERT_TRUE(OpenAndWait(FixturePath(Fixture::MultiBitrate), &opened));
  DWORD outputs = 0;
  ASSERT_EQ(opened.reader->GetOutputCount(&outputs), S_OK);
  ASSERT_EQ(outputs, 1u);
  const std::vector<BYTE> type = OutputMediaType(opened.reader, 0);
  ASSERT_FALSE(type.empty());
  // Past the frames the slower stream holds, out of order so that each start seeks.
  for (int n : {45, 0, 30, 59, 4}) {
    ReaderEvent sample;
    ASSERT_TRUE(FirstSampleAt(opened, FrameTime(n, 30), 0, &sample)) << "position " << n;
    EXPECT_EQ(ReadFrameNumber(PictureOf(sample, type)), n) << "position " << n;
  }
}

TEST_F(ReaderStreams, ProtectedContentIsRefusedAtOpen) {
  IWMReader *reader = nullptr;
  ASSERT_EQ(WMCreateReaderPriv(&reader), S_OK);
  RecordingCallback *callback = new RecordingCallback();
  EXPECT_EQ(reader->Open(reinterpret_cast<const WCHAR *>(Wide(FixturePath(Fixture::Protected)).c_str()), callback,
                         nullptr),
            NS_E_PROTECTED_CONTENT);
  EXPECT_TRUE(callback->Events().empty());
  DWORD count = 0;
  EXPECT_EQ(reader->GetOutputCount(&count), NS_E_INVALID_REQUEST);
  EXPECT_EQ(reader->Release(), 0u);
  EXPECT_EQ(callback->Release(), 0u);
}
