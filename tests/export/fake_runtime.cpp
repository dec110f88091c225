// The scripted runtime: profile manager, profiles, stream configurations, writer,
// input properties and samples, each a small COM object counted in Runtime::live.
#include "fake_runtime.h"

#include <cstdio>
#include <cstring>

namespace fake {

namespace {

Runtime runtime;

std::u16string Utf16(const char *text) { return std::u16string(text, text + std::strlen(text)); }

// Reference counting and IUnknown for one interface chain; counts live objects.
template <class Interface>
class Object : public Interface {
 public:
  Object() { ++runtime.live; }
  virtual ~Object() { --runtime.live; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!Accepts(riid)) return E_NOINTERFACE;
    AddRef();
    *object = static_cast<Interface *>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (!left) delete this;
    return left;
  }

 protected:
  virtual bool Accepts(REFIID riid) { return IsEqualGUID(riid, IID_IUnknown); }

 private:
  ULONG refs_ = 1;
};

class StreamConfig : public Object<IWMStreamConfig> {
 public:
  explicit StreamConfig(const GUID &type) : type_(type) {}
  HRESULT STDMETHODCALLTYPE GetStreamType(GUID *type) override {
    *type = type_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetStreamNumber(WORD *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetStreamNumber(WORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetStreamName(WCHAR *, WORD *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetStreamName(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetConnectionName(WCHAR *, WORD *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetConnectionName(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetBitrate(DWORD *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetBitrate(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetBufferWindow(DWORD *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetBufferWindow(DWORD) override { return E_NOTIMPL; }

 private:
  GUID type_;
};

class FakeProfile : public Object<IWMProfile> {
 public:
  explicit FakeProfile(const Profile &profile) : profile_(profile) {}
  const Profile &profile() const { return profile_; }

  HRESULT STDMETHODCALLTYPE GetVersion(WMT_VERSION *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetName(WCHAR *name, DWORD *length) override {
    if (profile_.failName) return E_FAIL;
    DWORD needed = static_cast<DWORD>(profile_.name.size() + 1);
    if (!name) {
      *length = needed;
      return S_OK;
    }
    if (*length < needed) return ASF_E_BUFFERTOOSMALL;
    std::memcpy(name, profile_.name.c_str(), needed * sizeof(WCHAR));
    *length = needed;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetName(const WCHAR *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDescription(WCHAR *, DWORD *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetDescription(const WCHAR *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetStreamCount(DWORD *count) override {
    *count = static_cast<DWORD>(profile_.streams.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetStream(DWORD index, IWMStreamConfig **config) override {
    if (index >= profile_.streams.size()) return E_INVALIDARG;
    *config = new StreamConfig(profile_.streams[index]);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetStreamByNumber(WORD, IWMStreamConfig **) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RemoveStream(IWMStreamConfig *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RemoveStreamByNumber(WORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AddStream(IWMStreamConfig *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ReconfigStream(IWMStreamConfig *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateNewStream(REFGUID, IWMStreamConfig **) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMutualExclusionCount(DWORD *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMutualExclusion(DWORD, IWMMutualExclusion **) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RemoveMutualExclusion(IWMMutualExclusion *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AddMutualExclusion(IWMMutualExclusion *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateNewMutualExclusion(IWMMutualExclusion **) override { return E_NOTIMPL; }

 protected:
  bool Accepts(REFIID riid) override { return Object::Accepts(riid) || IsEqualGUID(riid, IID_IWMProfile); }

 private:
  Profile profile_;
};

class ProfileManager : public Object<IWMProfileManager2> {
 public:
  HRESULT STDMETHODCALLTYPE CreateEmptyProfile(WMT_VERSION, IWMProfile **) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LoadProfileByID(REFGUID, IWMProfile **) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LoadProfileByData(const WCHAR *, IWMProfile **) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SaveProfile(IWMProfile *, WCHAR *, DWORD *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetSystemProfileCount(DWORD *count) override {
    *count = runtime.version == WMT_VER_7_0 ? static_cast<DWORD>(runtime.profiles.size()) : 0;
    return runtime.profileCount;
  }
  HRESULT STDMETHODCALLTYPE LoadSystemProfile(DWORD index, IWMProfile **profile) override {
    if (runtime.version != WMT_VER_7_0 || index >= runtime.profiles.size()) return E_INVALIDARG;
    if (runtime.profiles[index].failLoad) return E_FAIL;
    *profile = new FakeProfile(runtime.profiles[index]);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetSystemProfileVersion(WMT_VERSION *version) override {
    *version = static_cast<WMT_VERSION>(runtime.version);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetSystemProfileVersion(WMT_VERSION version) override {
    runtime.version = version;
    return S_OK;
  }

 protected:
  bool Accepts(REFIID riid) override {
    return Object::Accepts(riid) || IsEqualGUID(riid, IID_IWMProfileManager) ||
           (runtime.offerManager2 && IsEqualGUID(riid, IID_IWMProfileManager2));
  }
};

class InputProps : public Object<IWMInputMediaProps> {
 public:
  explicit InputProps(const GUID &type) : type_(type) {}
  const DeclaredInput &declared() const { return declared_; }

  HRESULT STDMETHODCALLTYPE GetType(GUID *type) override {
    *type = type_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetMediaType(WM_MEDIA_TYPE *, DWORD *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMediaType(WM_MEDIA_TYPE *type) override {
    if (runtime.setMediaType != S_OK) return runtime.setMediaType;
    declared_.type = *type;
    declared_.format.assign(type->pbFormat, type->pbFormat + type->cbFormat);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionName(WCHAR *, WORD *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetGroupName(WCHAR *, WORD *) override { return E_NOTIMPL; }

 protected:
  bool Accepts(REFIID riid) override {
    return Object::Accepts(riid) || IsEqualGUID(riid, IID_IWMMediaProps) || IsEqualGUID(riid, IID_IWMInputMediaProps);
  }

 private:
  GUID type_;
  DeclaredInput declared_ = {};
};

class Sample : public Object<INSSBuffer> {
 public:
  explicit Sample(DWORD size) : bytes_(size, 0xCD), length_(size) {}
  const BYTE *bytes() const { return bytes_.data(); }
  DWORD length() const { return length_; }
  DWORD size() const { return static_cast<DWORD>(bytes_.size()); }

  HRESULT STDMETHODCALLTYPE GetLength(DWORD *length) override {
    *length = length_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetLength(DWORD length) override {
    if (length > bytes_.size()) return E_INVALIDARG;
    length_ = length;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetMaxLength(DWORD *length) override {
    *length = size();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetBuffer(BYTE **buffer) override {
    *buffer = bytes_.data();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetBufferAndLength(BYTE **buffer, DWORD *length) override {
    *buffer = bytes_.data();
    *length = length_;
    return S_OK;
  }

 private:
  std::vector<BYTE> bytes_;
  DWORD length_;
};

class Writer : public Object<IWMWriter> {
 public:
  ~Writer() override {
    for (InputProps *input : inputs_) input->Release();
  }
  HRESULT STDMETHODCALLTYPE SetProfileByID(REFGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetProfile(IWMProfile *profile) override {
    const Profile &chosen = static_cast<FakeProfile *>(profile)->profile();
    runtime.profileSetName = chosen.name;
    for (InputProps *input : inputs_) input->Release();
    inputs_.clear();
    for (const GUID &type : chosen.streams) inputs_.push_back(new InputProps(type));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetOutputFilename(const WCHAR *name) override {
    runtime.outputName = name;
    return runtime.setOutputFilename;
  }
  HRESULT STDMETHODCALLTYPE GetInputCount(DWORD *count) override {
    *count = runtime.noInputs ? 0 : static_cast<DWORD>(inputs_.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetInputProps(DWORD input, IWMInputMediaProps **props) override {
    if (runtime.failGetInputProps || input >= inputs_.size()) return E_INVALIDARG;
    inputs_[input]->AddRef();
    *props = inputs_[input];
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetInputProps(DWORD input, IWMInputMediaProps *props) override {
    if (runtime.setInputProps != S_OK) return runtime.setInputProps;
    DeclaredInput declared = static_cast<InputProps *>(props)->declared();
    declared.input = input;
    runtime.declared.push_back(declared);
    DeclaredInput &kept = runtime.declared.back();
    kept.type.pbFormat = kept.format.data();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetInputFormatCount(DWORD, DWORD *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetInputFormat(DWORD, DWORD, IWMInputMediaProps **) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BeginWriting() override {
    ++runtime.beginCalls;
    if (runtime.beginWriting == S_OK && runtime.createFile) {
      std::string path(runtime.outputName.begin(), runtime.outputName.end());  // the tests' names are ASCII
      if (FILE *file = std::fopen(path.c_str(), "wb")) std::fclose(file);
    }
    return runtime.beginWriting;
  }
  HRESULT STDMETHODCALLTYPE EndWriting() override {
    ++runtime.endCalls;
    return runtime.endWriting;
  }
  HRESULT STDMETHODCALLTYPE AllocateSample(DWORD size, INSSBuffer **sample) override {
    if (runtime.allocateSample != S_OK) return runtime.allocateSample;
    *sample = new Sample(size);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE WriteSample(DWORD input, QWORD time, DWORD flags, INSSBuffer *buffer) override {
    if (runtime.writeSample != S_OK) return runtime.writeSample;
    const Sample *sample = static_cast<Sample *>(buffer);
    runtime.written.push_back(
        {input, time, flags, sample->size(), std::vector<BYTE>(sample->bytes(), sample->bytes() + sample->length())});
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Flush() override {
    ++runtime.flushCalls;
    return runtime.flush;
  }

 protected:
  bool Accepts(REFIID riid) override { return Object::Accepts(riid) || IsEqualGUID(riid, IID_IWMWriter); }

 private:
  std::vector<InputProps *> inputs_;
};

}  // namespace

Runtime &Get() { return runtime; }

Profile VideoAudioProfile(const char *name) { return {Utf16(name), {WMMEDIATYPE_Audio, WMMEDIATYPE_Video}}; }
Profile AudioProfile(const char *name) { return {Utf16(name), {WMMEDIATYPE_Audio}}; }

void Reset() {
  int live = runtime.live;
  runtime = Runtime();
  runtime.live = live;
  runtime.profiles = {VideoAudioProfile("Video A"), AudioProfile("Audio only"), VideoAudioProfile("Video B"),
                      {Utf16("Video C"), {WMMEDIATYPE_Video}}};
}

}  // namespace fake

extern "C" HRESULT WINAPI WMCreateProfileManager(IWMProfileManager **manager) {
  if (fake::runtime.createManager != S_OK) return fake::runtime.createManager;
  *manager = new fake::ProfileManager();
  return S_OK;
}

extern "C" HRESULT WINAPI WMCreateWriterPriv(IWMWriter **writer) {
  if (fake::runtime.createWriter != S_OK) return fake::runtime.createWriter;
  ++fake::runtime.writersCreated;
  *writer = new fake::Writer();
  return S_OK;
}
