# The host's conversions of a person's media (pictures of any kind, any sound file,
# `export --from`, PNG frames) go through FFmpeg's libraries. Builds where they are
# not found (the Windows test hosts) leave them out: there the host says so when asked.
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(QV_HOST_FFMPEG QUIET IMPORTED_TARGET
    libavformat libavcodec libavutil libswscale libswresample)
  if(QV_HOST_FFMPEG_FOUND)
    # pkg-config may answer for the machine that builds rather than the target (a cross
    # build): only libraries this compiler can link count as found.
    include(CheckCXXSourceCompiles)
    set(CMAKE_REQUIRED_LIBRARIES PkgConfig::QV_HOST_FFMPEG)
    check_cxx_source_compiles([[
      extern "C" {
      #include <libavformat/avformat.h>
      #include <libswresample/swresample.h>
      #include <libswscale/swscale.h>
      }
      int main() { return avformat_version() && swr_alloc() && sws_getContext(1, 1, AV_PIX_FMT_RGB24, 1, 1,
                   AV_PIX_FMT_BGR24, 0, nullptr, nullptr, nullptr) ? 0 : 1; }]] QV_HOST_FFMPEG_LINKS)
    unset(CMAKE_REQUIRED_LIBRARIES)
  endif()
endif()
if(QV_HOST_FFMPEG_LINKS)
  set(media_default ON)
else()
  set(media_default OFF)
endif()
option(QV_HOST_MEDIA "qvhost converts pictures, sound and any media file through FFmpeg's libraries"
  ${media_default})
message(STATUS "qvhost media conversions through FFmpeg (QV_HOST_MEDIA): ${QV_HOST_MEDIA}")

if(QV_HOST_MEDIA)
  if(NOT QV_HOST_FFMPEG_LINKS)
    message(FATAL_ERROR "QV_HOST_MEDIA is on, but FFmpeg's libraries were not found for this compiler")
  endif()
  file(GLOB qvhost_media_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/ffmpeg/*.cpp)
  target_link_libraries(qvhost PRIVATE PkgConfig::QV_HOST_FFMPEG)
else()
  file(GLOB qvhost_media_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/without_ffmpeg/*.cpp)
endif()
target_sources(qvhost PRIVATE ${qvhost_media_sources})
