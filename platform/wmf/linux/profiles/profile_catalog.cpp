// The version-7.0 system profile list. The positions matter: the plug-in saves a
// position in this list, which must name the same profile on every platform.
#include "profile_catalog.h"

namespace wmf {
namespace {

constexpr DWORD kbps(DWORD k) { return k * 1000; }

const SystemProfileEntry kVersion7Profiles[] = {
    {u"Video for dial-up modems or single-channel ISDN (28.8 to 56 Kbps)", kbps(32), kbps(24)},
    {u"Video for LAN, cable modem, or xDSL (100 to 768 Kbps)", kbps(704), kbps(64)},
    {u"Video for dial-up modems or LAN (28.8 to 100 Kbps)", kbps(76), kbps(24)},
    {u"Video with voice emphasis for dial-up modems (28.8 Kbps)", kbps(20), kbps(24)},
    {u"Video with audio emphasis for dial-up modems (28.8 Kbps)", kbps(16), kbps(32)},
    {u"Video for Web servers (28.8 Kbps)", kbps(20), kbps(24)},
    {u"Video for Web servers (56 Kbps)", kbps(32), kbps(24)},
    {u"Video for single-channel ISDN (64 Kbps)", kbps(40), kbps(24)},
    {u"Video for e-mail and dual-channel ISDN (128 Kbps)", kbps(96), kbps(32)},
    {u"Video for broadband NTSC (256 Kbps)", kbps(224), kbps(32)},
    {u"Video for broadband NTSC (384 Kbps)", kbps(320), kbps(64)},
    {u"Video for broadband NTSC (768 Kbps)", kbps(704), kbps(64)},
    {u"Video for broadband NTSC (1500 Kbps total)", kbps(1372), kbps(128)},
    {u"Video for broadband NTSC (2 Mbps total)", kbps(1872), kbps(128)},
    {u"Video for broadband film content (768 Kbps)", kbps(704), kbps(64)},
    {u"Video for broadband film content (1500 Kbps total)", kbps(1372), kbps(128)},
    {u"Audio for low bit rate voice-oriented content (6.5 Kbps)", 0, kbps(24)},
    {u"Audio for FM radio quality for dial-up modems (28.8 Kbps mono)", 0, kbps(24)},
    {u"Audio for FM radio quality for dial-up modems (28.8 Kbps stereo)", 0, kbps(24)},
    {u"Audio for dial-up modems (56 Kbps stereo)", 0, kbps(48)},
    {u"Audio for single-channel ISDN (64 Kbps stereo)", 0, kbps(64)},
    {u"Audio for near-CD quality (64 Kbps stereo)", 0, kbps(64)},
    {u"Audio for CD-quality (96 Kbps stereo)", 0, kbps(96)},
    {u"Audio, CD-quality transparency (128 Kbps stereo)", 0, kbps(128)},
};

}  // namespace

const SystemProfileEntry *SystemProfiles(WMT_VERSION version, size_t *count) {
  if (version != WMT_VER_7_0) {
    *count = 0;
    return nullptr;
  }
  *count = sizeof(kVersion7Profiles) / sizeof(kVersion7Profiles[0]);
  return kVersion7Profiles;
}

}  // namespace wmf
