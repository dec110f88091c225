// What the writer and profile tests share: references that release themselves,
// formats, a configured writer, the test material and the command-line tools that read
// the files back.
#ifndef QV_TESTS_WMF_WRITER_SUPPORT_H
#define QV_TESTS_WMF_WRITER_SUPPORT_H

#include <string>
#include <vector>

#include "com_object.h"
#include "run_command.h"
#include "test_pattern.h"
#include "wmf.h"

namespace writer_test {

using testsupport::PatternDibRows;
using testsupport::PatternFrame;
using testsupport::Psnr;
using testsupport::ToneChunk;
using testsupport::ToneSample;
using wmf::ComPtr;

// Releases the reference now and gives the count it leaves (0 when it was the last);
// the tests check that every object goes at its last Release.
template <class T>
ULONG ReleaseNow(ComPtr<T> &object) {
  return object ? object.Detach()->Release() : ~0u;
}
using testsupport::RunCommand;
using testsupport::RunCommandBinary;

// A media type with its format block, ready for SetMediaType.
struct OwnedType {
  WM_MEDIA_TYPE type{};
  std::vector<BYTE> format;
  WM_MEDIA_TYPE *Get() {
    type.pbFormat = format.empty() ? nullptr : format.data();
    type.cbFormat = static_cast<ULONG>(format.size());
    return &type;
  }
};

OwnedType VideoType(LONG width, LONG height, REFERENCE_TIME frameDuration = 333333);
OwnedType AudioType(DWORD rate, WORD channels, WORD bits);
DWORD StrideOf(LONG width);

// A writer with a version-7.0 system profile set and the output named; null when a
// step fails (the test has failed then).
ComPtr<IWMWriter> CreateWriter(DWORD systemProfile, const std::string &path);
// Declares `type` on the input of the given major type; returns the input number.
HRESULT DeclareInput(const ComPtr<IWMWriter> &writer, const GUID &major, OwnedType &type,
                     DWORD *inputNumber = nullptr);
HRESULT WriteBytes(const ComPtr<IWMWriter> &writer, DWORD input, QWORD time, const BYTE *data, DWORD length);
HRESULT WriteBytes(const ComPtr<IWMWriter> &writer, DWORD input, QWORD time, const std::vector<BYTE> &data);
// A writer as CreateWriter makes it, with `video` declared on its video input; null
// when a step fails (the test has failed then).
ComPtr<IWMWriter> CreateVideoWriter(DWORD systemProfile, const std::string &path, OwnedType &video, DWORD *input);
// Writes pattern frames first..first+count-1 at 30 fps; the first failure ends it.
HRESULT WritePatternFrames(const ComPtr<IWMWriter> &writer, DWORD input, int first, int count, LONG width,
                           LONG height);

// A file in this test program's own temporary folder.
std::string TempPath(const std::string &name);

}  // namespace writer_test

#endif
