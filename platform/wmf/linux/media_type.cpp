// Owned media types.
#include "media_type.h"

#include <cstring>

namespace wmf {

void MediaType::Assign(const WM_MEDIA_TYPE &type) {
  type_ = type;
  type_.pUnk = nullptr;
  if (type.pbFormat && type.cbFormat)
    format_.assign(type.pbFormat, type.pbFormat + type.cbFormat);
  else
    format_.clear();
  type_.cbFormat = static_cast<ULONG>(format_.size());
  type_.pbFormat = nullptr;
}

HRESULT MediaType::CopyTo(WM_MEDIA_TYPE *type, DWORD *size) const {
  if (!size) return E_POINTER;
  const DWORD needed = static_cast<DWORD>(sizeof(WM_MEDIA_TYPE) + format_.size());
  if (!type) {
    *size = needed;
    return S_OK;
  }
  if (*size < needed) {
    *size = needed;
    return ASF_E_BUFFERTOOSMALL;
  }
  *type = type_;
  BYTE *format = reinterpret_cast<BYTE *>(type) + sizeof(WM_MEDIA_TYPE);
  if (!format_.empty()) std::memcpy(format, format_.data(), format_.size());
  type->pbFormat = format_.empty() ? nullptr : format;
  type->cbFormat = static_cast<ULONG>(format_.size());
  *size = needed;
  return S_OK;
}

bool MediaType::IsVideo() const { return type_.majortype == WMMEDIATYPE_Video; }
bool MediaType::IsAudio() const { return type_.majortype == WMMEDIATYPE_Audio; }

const VIDEOINFOHEADER *MediaType::VideoInfo() const {
  if (type_.formattype != WMFORMAT_VideoInfo || format_.size() < sizeof(VIDEOINFOHEADER)) return nullptr;
  return reinterpret_cast<const VIDEOINFOHEADER *>(format_.data());
}

const WAVEFORMATEX *MediaType::WaveFormat() const {
  if (type_.formattype != WMFORMAT_WaveFormatEx || format_.size() < 16) return nullptr;
  return reinterpret_cast<const WAVEFORMATEX *>(format_.data());
}

MediaType MediaType::Video(const GUID &subtype, const VIDEOINFOHEADER &info, const RGBQUAD *palette,
                           DWORD paletteEntries) {
  MediaType m;
  m.type_.majortype = WMMEDIATYPE_Video;
  m.type_.subtype = subtype;
  m.type_.bFixedSizeSamples = TRUE;
  m.type_.bTemporalCompression = FALSE;
  m.type_.lSampleSize = info.bmiHeader.biSizeImage;
  m.type_.formattype = WMFORMAT_VideoInfo;
  const BYTE *p = reinterpret_cast<const BYTE *>(&info);
  m.format_.assign(p, p + sizeof(VIDEOINFOHEADER));
  if (palette && paletteEntries) {
    const BYTE *q = reinterpret_cast<const BYTE *>(palette);
    m.format_.insert(m.format_.end(), q, q + paletteEntries * sizeof(RGBQUAD));
  }
  m.type_.cbFormat = static_cast<ULONG>(m.format_.size());
  return m;
}

MediaType MediaType::Audio(const WAVEFORMATEX &format) {
  MediaType m;
  m.type_.majortype = WMMEDIATYPE_Audio;
  m.type_.subtype = WMMEDIASUBTYPE_PCM;
  m.type_.bFixedSizeSamples = TRUE;
  m.type_.bTemporalCompression = FALSE;
  m.type_.lSampleSize = format.nBlockAlign;
  m.type_.formattype = WMFORMAT_WaveFormatEx;
  WAVEFORMATEX copy = format;
  copy.cbSize = 0;
  const BYTE *p = reinterpret_cast<const BYTE *>(&copy);
  m.format_.assign(p, p + sizeof(WAVEFORMATEX));
  m.type_.cbFormat = static_cast<ULONG>(m.format_.size());
  return m;
}

}  // namespace wmf
