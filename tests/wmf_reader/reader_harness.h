// Shared steps of the reader's tests: open a file and wait for WMT_OPENED, read an
// output's media type, turn a video sample into a Picture.
#ifndef QV_TESTS_WMF_READER_HARNESS_H
#define QV_TESTS_WMF_READER_HARNESS_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixtures.h"
#include "recording_callback.h"

// A reader and its callback; Finish closes and checks that both final Releases return 0.
struct OpenedReader {
  IWMReader *reader = nullptr;
  RecordingCallback *callback = nullptr;
  HRESULT openHr = E_FAIL;    // the hr WMT_OPENED carried
  void Finish();
};

// A test's reader, closed after the test with its hooks let go first.
class ReaderTest : public ::testing::Test {
 protected:
  void TearDown() override;
  OpenedReader opened;
};

// Creates a reader, opens `path` with `context` and waits for WMT_OPENED.
::testing::AssertionResult OpenAndWait(const std::string &path, OpenedReader *opened, void *context = nullptr);

// The output's media type block (WM_MEDIA_TYPE followed by its format), read the
// two-step way; empty on failure.
std::vector<BYTE> OutputMediaType(IWMReader *reader, DWORD output);

// The file's "Duration" attribute; *hr is the first failing call's result, else S_OK.
QWORD ReadDuration(IWMReader *reader, HRESULT *hr);

// Position n of a clip at `fps`: n / fps seconds in 100 ns units, truncated.
inline QWORD FrameTime(int n, int fps) { return static_cast<QWORD>(n) * 10000000ull / static_cast<QWORD>(fps); }

// A video sample of an output whose media type block is `type`.
wmf_fixtures::Picture PictureOf(const ReaderEvent &sample, const std::vector<BYTE> &type);

// Plays from `start`, stops from inside the callback at the first sample of `output`
// and returns that sample (bytes kept); fails when no such sample arrives.
::testing::AssertionResult FirstSampleAt(OpenedReader &opened, QWORD start, DWORD output, ReaderEvent *sample);

#endif
