// A scripted media runtime for the plug-in's dialog and export tests.
//
// The test program defines WMCreateProfileManager and WMCreateWriterPriv itself and
// exports them (ENABLE_EXPORTS): the dynamic linker resolves the plug-in's calls to
// the executable's definitions before the real runtime's, so the plug-in, loaded by
// path as a host loads it, talks to these objects. They record every call that
// matters and fail on request.
#ifndef QV_TESTS_FAKE_RUNTIME_H
#define QV_TESTS_FAKE_RUNTIME_H

#include <string>
#include <vector>

#include "wmf.h"

namespace fake {

struct Profile {
  std::u16string name;
  std::vector<GUID> streams;   // stream types in order; also the writer's inputs
  bool failLoad = false;       // LoadSystemProfile answers E_FAIL
  bool failName = false;       // GetName answers E_FAIL
};

struct DeclaredInput {
  DWORD input;
  WM_MEDIA_TYPE type;            // pbFormat points into `format`
  std::vector<BYTE> format;
};

struct WrittenSample {
  DWORD input;
  QWORD time;
  DWORD flags;
  DWORD allocated;               // size asked of AllocateSample
  std::vector<BYTE> bytes;       // the sample's bytes up to its length
};

struct Runtime {
  // What the runtime offers and how it fails.
  std::vector<Profile> profiles;       // the version-7.0 system profiles
  HRESULT createManager = S_OK;
  bool offerManager2 = true;
  HRESULT profileCount = S_OK;
  HRESULT createWriter = S_OK;
  HRESULT setOutputFilename = S_OK;
  HRESULT beginWriting = S_OK;
  HRESULT allocateSample = S_OK;
  HRESULT setMediaType = S_OK;
  HRESULT setInputProps = S_OK;
  HRESULT writeSample = S_OK;          // a refused sample is not recorded in `written`
  HRESULT flush = S_OK;
  HRESULT endWriting = S_OK;
  bool createFile = false;             // BeginWriting makes the named file, as a real writer does
  bool failGetInputProps = false;
  bool noInputs = false;               // GetInputCount answers 0

  // What the plug-in did.
  DWORD version = 0;                   // last SetSystemProfileVersion
  std::u16string outputName;
  std::u16string profileSetName;       // name of the profile given to SetProfile
  std::vector<DeclaredInput> declared; // SetInputProps, with the type set on the props
  std::vector<WrittenSample> written;
  int beginCalls = 0;
  int flushCalls = 0;
  int endCalls = 0;
  int writersCreated = 0;
  int live = 0;                        // objects not yet destroyed
};

// The one runtime the exported creation functions use; Reset() gives the default:
// four profiles ("Video A" video+audio, "Audio only" audio, "Video B" video+audio,
// "Video C" video only).
Runtime &Get();
void Reset();

Profile VideoAudioProfile(const char *name);
Profile AudioProfile(const char *name);

}  // namespace fake

#endif
