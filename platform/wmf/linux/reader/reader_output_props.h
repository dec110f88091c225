// IWMOutputMediaProps: the media type one reader output offers.
#ifndef QV_WMF_READER_OUTPUT_PROPS_H
#define QV_WMF_READER_OUTPUT_PROPS_H

#include "media_type_holder.h"

namespace wmf {

class ReaderOutputProps final : public MediaTypeHolder<ReaderOutputProps, IWMOutputMediaProps> {
 public:
  // One reference for the caller; null when memory runs out.
  static ReaderOutputProps *Create(const MediaType &type);

  HRESULT STDMETHODCALLTYPE GetStreamGroupName(WCHAR *name, WORD *length) override;
  HRESULT STDMETHODCALLTYPE GetConnectionName(WCHAR *name, WORD *length) override;

 private:
  explicit ReaderOutputProps(const MediaType &type) : MediaTypeHolder(type) {}
};

}  // namespace wmf

#endif
