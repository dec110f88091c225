// The profile manager and its system profiles, checked the way Wine checks the
// platform's runtime: every output parameter, every result, every final Release
// (the count each leaves).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "writer_support.h"

using namespace writer_test;

namespace {

std::u16string NameOf(IWMProfile *profile) {
  DWORD length = 0;
  EXPECT_EQ(S_OK, profile->GetName(nullptr, &length));
  std::u16string name(length, u'?');
  EXPECT_EQ(S_OK, profile->GetName(&name[0], &length));
  EXPECT_EQ(name.size(), length);
  EXPECT_EQ(u'\0', name.back());
  name.pop_back();
  return name;
}

std::string Narrow(const std::u16string &text) { return std::string(text.begin(), text.end()); }

ComPtr<IWMProfileManager2> CreateManager2() {
  ComPtr<IWMProfileManager> manager;
  EXPECT_EQ(S_OK, WMCreateProfileManager(manager.Put()));
  if (!manager) return ComPtr<IWMProfileManager2>();
  IWMProfileManager2 *manager2 = reinterpret_cast<IWMProfileManager2 *>(0x1);
  EXPECT_EQ(S_OK, manager->QueryInterface(IID_IWMProfileManager2, reinterpret_cast<void **>(&manager2)));
  EXPECT_EQ(1u, ReleaseNow(manager));
  return ComPtr<IWMProfileManager2>(manager2);
}

TEST(ProfileManager, CreationAndInterfaces) {
  EXPECT_EQ(E_POINTER, WMCreateProfileManager(nullptr));
  ComPtr<IWMProfileManager> manager;
  ASSERT_EQ(S_OK, WMCreateProfileManager(manager.Put()));
  ASSERT_NE(nullptr, manager.Get());

  ComPtr<IUnknown> unknown;
  EXPECT_EQ(S_OK, manager->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(unknown.Put())));
  EXPECT_EQ(static_cast<void *>(manager.Get()), static_cast<void *>(unknown.Get()));
  EXPECT_EQ(1u, ReleaseNow(unknown));

  IWMWriter *writer = reinterpret_cast<IWMWriter *>(0x1);
  EXPECT_EQ(E_NOINTERFACE, manager->QueryInterface(IID_IWMWriter, reinterpret_cast<void **>(&writer)));
  EXPECT_EQ(nullptr, writer);
  EXPECT_EQ(E_POINTER, manager->QueryInterface(IID_IUnknown, nullptr));
  EXPECT_EQ(0u, ReleaseNow(manager));
}

TEST(ProfileManager, VersionSelectsTheList) {
  ComPtr<IWMProfileManager2> manager = CreateManager2();
  ASSERT_NE(nullptr, manager.Get());
  WMT_VERSION version = WMT_VER_4_0;
  EXPECT_EQ(S_OK, manager->GetSystemProfileVersion(&version));
  EXPECT_EQ(WMT_VER_7_0, version);
  EXPECT_EQ(E_POINTER, manager->GetSystemProfileVersion(nullptr));

  DWORD count = 0xdead;
  EXPECT_EQ(S_OK, manager->SetSystemProfileVersion(WMT_VER_8_0));
  EXPECT_EQ(S_OK, manager->GetSystemProfileVersion(&version));
  EXPECT_EQ(WMT_VER_8_0, version);
  EXPECT_EQ(S_OK, manager->GetSystemProfileCount(&count));
  EXPECT_EQ(0u, count);
  IWMProfile *profile = reinterpret_cast<IWMProfile *>(0x1);
  EXPECT_EQ(E_INVALIDARG, manager->LoadSystemProfile(0, &profile));
  EXPECT_EQ(nullptr, profile);

  EXPECT_EQ(E_INVALIDARG, manager->SetSystemProfileVersion(static_cast<WMT_VERSION>(0x12345)));
  EXPECT_EQ(S_OK, manager->GetSystemProfileVersion(&version));
  EXPECT_EQ(WMT_VER_8_0, version);

  EXPECT_EQ(S_OK, manager->SetSystemProfileVersion(WMT_VER_7_0));
  EXPECT_EQ(S_OK, manager->GetSystemProfileCount(&count));
  EXPECT_EQ(24u, count);
  EXPECT_EQ(E_POINTER, manager->GetSystemProfileCount(nullptr));
  EXPECT_EQ(E_POINTER, manager->LoadSystemProfile(0, nullptr));
  profile = reinterpret_cast<IWMProfile *>(0x1);
  EXPECT_EQ(E_INVALIDARG, manager->LoadSystemProfile(24, &profile));
  EXPECT_EQ(nullptr, profile);
  EXPECT_EQ(0u, ReleaseNow(manager));
}

// The published order: positions saved by the plug-in must name the same profile
// on every platform.
TEST(ProfileManager, Version7ListNamesOrderAndStreams) {
  static const char *const kNames[] = {
      "Video for dial-up modems or single-channel ISDN (28.8 to 56 Kbps)",
      "Video for LAN, cable modem, or xDSL (100 to 768 Kbps)",
      "Video for dial-up modems or LAN (28.8 to 100 Kbps)",
      "Video with voice emphasis for dial-up modems (28.8 Kbps)",
      "Video with audio emphasis for dial-up modems (28.8 Kbps)",
      "Video for Web servers (28.8 Kbps)",
      "Video for Web servers (56 Kbps)",
      "Video for single-channel ISDN (64 Kbps)",
      "Video for e-mail and dual-channel ISDN (128 Kbps)",
      "Video for broadband NTSC (256 Kbps)",
      "Video for broadband NTSC (384 Kbps)",
      "Video for broadband NTSC (768 Kbps)",
      "Video for broadband NTSC (1500 Kbps total)",
      "Video for broadband NTSC (2 Mbps total)",
      "Video for broadband film content (768 Kbps)",
      "Video for broadband film content (1500 Kbps total)",
      "Audio for low bit rate voice-oriented content (6.5 Kbps)",
      "Audio for FM radio quality for dial-up modems (28.8 Kbps mono)",
      "Audio for FM radio quality for dial-up modems (28.8 Kbps stereo)",
      "Audio for dial-up modems (56 Kbps stereo)",
      "Audio for single-channel ISDN (64 Kbps stereo)",
      "Audio for near-CD quality (64 Kbps stereo)",
      "Audio for CD-quality (96 Kbps stereo)",
      "Audio, CD-quality transparency (128 Kbps stereo)",
  };
  ComPtr<IWMProfileManager2> manager = CreateManager2();
  ASSERT_NE(nullptr, manager.Get());
  ASSERT_EQ(S_OK, manager->SetSystemProfileVersion(WMT_VER_7_0));
  for (DWORD i = 0; i < 24; ++i) {
    SCOPED_TRACE(i);
    ComPtr<IWMProfile> profile;
    ASSERT_EQ(S_OK, manager->LoadSystemProfile(i, profile.Put()));
    ASSERT_NE(nullptr, profile.Get());
    EXPECT_EQ(kNames[i], Narrow(NameOf(profile.Get())));
    WMT_VERSION version{};
    EXPECT_EQ(S_OK, profile->GetVersion(&version));
    EXPECT_EQ(WMT_VER_7_0, version);

    DWORD streams = 0;
    ASSERT_EQ(S_OK, profile->GetStreamCount(&streams));
    int videos = 0, audios = 0;
    for (DWORD s = 0; s < streams; ++s) {
      ComPtr<IWMStreamConfig> config;
      ASSERT_EQ(S_OK, profile->GetStream(s, config.Put()));
      GUID type{};
      WORD number = 0;
      DWORD bitrate = 0;
      EXPECT_EQ(S_OK, config->GetStreamType(&type));
      EXPECT_EQ(S_OK, config->GetStreamNumber(&number));
      EXPECT_EQ(S_OK, config->GetBitrate(&bitrate));
      EXPECT_EQ(s + 1, number);
      if (type == WMMEDIATYPE_Video) ++videos;
      if (type == WMMEDIATYPE_Audio) {
        ++audios;
        EXPECT_GE(bitrate, 24000u);  // the least Windows Media Audio takes here
      }
      EXPECT_GT(bitrate, 0u);
      EXPECT_EQ(0u, ReleaseNow(config));
    }
    EXPECT_EQ(i < 16 ? 1 : 0, videos);
    EXPECT_EQ(1, audios);
    IWMStreamConfig *config = reinterpret_cast<IWMStreamConfig *>(0x1);
    EXPECT_EQ(E_INVALIDARG, profile->GetStream(streams, &config));
    EXPECT_EQ(nullptr, config);
    EXPECT_EQ(0u, ReleaseNow(profile));
  }
  EXPECT_EQ(0u, ReleaseNow(manager));
}

TEST(Profile, NameQueryInTwoSteps) {
  ComPtr<IWMProfileManager2> manager = CreateManager2();
  ASSERT_NE(nullptr, manager.Get());
  ComPtr<IWMProfile> profile;
  ASSERT_EQ(S_OK, manager->LoadSystemProfile(15, profile.Put()));
  const std::u16string expected = u"Video for broadband film content (1500 Kbps total)";

  EXPECT_EQ(E_POINTER, profile->GetName(nullptr, nullptr));
  DWORD length = 0;
  EXPECT_EQ(S_OK, profile->GetName(nullptr, &length));
  EXPECT_EQ(expected.size() + 1, length);

  std::vector<WCHAR> small(10, u'x');
  length = 10;
  EXPECT_EQ(ASF_E_BUFFERTOOSMALL, profile->GetName(small.data(), &length));
  EXPECT_EQ(expected.size() + 1, length);
  EXPECT_EQ(std::vector<WCHAR>(10, u'x'), small);  // untouched

  std::vector<WCHAR> exact(expected.size() + 1, u'x');
  length = static_cast<DWORD>(exact.size());
  EXPECT_EQ(S_OK, profile->GetName(exact.data(), &length));
  EXPECT_EQ(expected, std::u16string(exact.data()));

  EXPECT_EQ(S_OK, profile->SetName(u"Mine"));
  EXPECT_EQ("Mine", Narrow(NameOf(profile.Get())));
  EXPECT_EQ(E_POINTER, profile->SetName(nullptr));
  EXPECT_EQ(0u, ReleaseNow(profile));
  EXPECT_EQ(0u, ReleaseNow(manager));
}

// A stream handed out is a copy: the profile changes only through ReconfigStream.
TEST(Profile, StreamCopiesAndReconfig) {
  ComPtr<IWMProfileManager2> manager = CreateManager2();
  ASSERT_NE(nullptr, manager.Get());
  ComPtr<IWMProfile> profile;
  ASSERT_EQ(S_OK, manager->LoadSystemProfile(12, profile.Put()));
  ComPtr<IWMStreamConfig> video;
  ASSERT_EQ(S_OK, profile->GetStreamByNumber(2, video.Put()));
  GUID type{};
  EXPECT_EQ(S_OK, video->GetStreamType(&type));
  EXPECT_TRUE(type == WMMEDIATYPE_Video);
  EXPECT_EQ(S_OK, video->SetBitrate(500000));

  ComPtr<IWMStreamConfig> again;
  ASSERT_EQ(S_OK, profile->GetStream(1, again.Put()));
  DWORD bitrate = 0;
  EXPECT_EQ(S_OK, again->GetBitrate(&bitrate));
  EXPECT_EQ(1372000u, bitrate);
  EXPECT_EQ(0u, ReleaseNow(again));

  EXPECT_EQ(S_OK, profile->ReconfigStream(video.Get()));
  ASSERT_EQ(S_OK, profile->GetStream(1, again.Put()));
  EXPECT_EQ(S_OK, again->GetBitrate(&bitrate));
  EXPECT_EQ(500000u, bitrate);

  WORD length = 0;
  EXPECT_EQ(S_OK, again->GetConnectionName(nullptr, &length));
  std::u16string connection(length, u'?');
  EXPECT_EQ(S_OK, again->GetConnectionName(&connection[0], &length));
  EXPECT_EQ(u"Video", connection.substr(0, length - 1));
  length = 2;
  WCHAR tiny[2];
  EXPECT_EQ(ASF_E_BUFFERTOOSMALL, again->GetStreamName(tiny, &length));
  EXPECT_EQ(13u, length);  // "Video Stream" and its terminator
  EXPECT_EQ(0u, ReleaseNow(again));

  IWMStreamConfig *none = reinterpret_cast<IWMStreamConfig *>(0x1);
  EXPECT_EQ(NS_E_INVALID_REQUEST, profile->GetStreamByNumber(7, &none));
  EXPECT_EQ(nullptr, none);
  EXPECT_EQ(S_OK, profile->RemoveStream(video.Get()));
  DWORD streams = 0;
  EXPECT_EQ(S_OK, profile->GetStreamCount(&streams));
  EXPECT_EQ(1u, streams);
  EXPECT_EQ(NS_E_INVALID_REQUEST, profile->ReconfigStream(video.Get()));
  EXPECT_EQ(S_OK, profile->AddStream(video.Get()));
  EXPECT_EQ(NS_E_INVALID_REQUEST, profile->AddStream(video.Get()));  // number taken
  EXPECT_EQ(S_OK, profile->GetStreamCount(&streams));
  EXPECT_EQ(2u, streams);

  EXPECT_EQ(0u, ReleaseNow(video));
  EXPECT_EQ(0u, ReleaseNow(profile));
  EXPECT_EQ(0u, ReleaseNow(manager));
}

// The profile manager hands out independent profiles: one may outlive the manager.
TEST(Profile, OutlivesItsManager) {
  ComPtr<IWMProfileManager2> manager = CreateManager2();
  ASSERT_NE(nullptr, manager.Get());
  ComPtr<IWMProfile> first, second;
  ASSERT_EQ(S_OK, manager->LoadSystemProfile(0, first.Put()));
  ASSERT_EQ(S_OK, manager->LoadSystemProfile(0, second.Put()));
  EXPECT_NE(first.Get(), second.Get());
  EXPECT_EQ(0u, ReleaseNow(manager));
  EXPECT_EQ(S_OK, first->SetName(u"Changed"));
  EXPECT_EQ("Video for dial-up modems or single-channel ISDN (28.8 to 56 Kbps)", Narrow(NameOf(second.Get())));
  EXPECT_EQ(0u, ReleaseNow(first));
  EXPECT_EQ(0u, ReleaseNow(second));
}

}  // namespace
