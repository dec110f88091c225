// An owned WM_MEDIA_TYPE with its format block, and the two-step size query that
// GetMediaType answers: with no buffer (or one too small) the caller learns the size.
#ifndef QV_WMF_MEDIA_TYPE_H
#define QV_WMF_MEDIA_TYPE_H

#include <vector>

#include "wmf.h"

namespace wmf {

class MediaType {
 public:
  MediaType() = default;
  explicit MediaType(const WM_MEDIA_TYPE &type) { Assign(type); }

  // Copies the type and its format block (pUnk is not kept).
  void Assign(const WM_MEDIA_TYPE &type);

  // Answers IWMMediaProps::GetMediaType: the type followed by its format block in
  // one caller buffer. `type` null: *size receives the bytes needed, S_OK.
  // *size too small: ASF_E_BUFFERTOOSMALL and *size receives the bytes needed.
  HRESULT CopyTo(WM_MEDIA_TYPE *type, DWORD *size) const;

  const WM_MEDIA_TYPE &Type() const { return type_; }
  const std::vector<BYTE> &Format() const { return format_; }
  bool IsVideo() const;
  bool IsAudio() const;
  // The format block as a VIDEOINFOHEADER / WAVEFORMATEX when it is one, else null.
  const VIDEOINFOHEADER *VideoInfo() const;
  const WAVEFORMATEX *WaveFormat() const;

  static MediaType Video(const GUID &subtype, const VIDEOINFOHEADER &info, const RGBQUAD *palette = nullptr,
                         DWORD paletteEntries = 0);
  static MediaType Audio(const WAVEFORMATEX &format);

 private:
  WM_MEDIA_TYPE type_{};
  std::vector<BYTE> format_;
};

}  // namespace wmf

#endif
