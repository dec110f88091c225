# Pads a linked launcher to exactly PAK_OFFSET bytes, the offset its code expects the
# archive at, and fails the build when the image is already larger.
#   cmake -DIMAGE=<file> -DPAK_OFFSET=<bytes> -DPAK_BUILD=<build> -P pad_image.cmake
file(SIZE "${IMAGE}" image_size)
if(image_size GREATER PAK_OFFSET)
  message(FATAL_ERROR "${IMAGE} is ${image_size} bytes, larger than its archive offset ${PAK_OFFSET}: "
                      "raise the ${PAK_BUILD} line's offset in launcher/pak_offsets.txt")
endif()
if(image_size LESS PAK_OFFSET)
  execute_process(COMMAND truncate -s ${PAK_OFFSET} "${IMAGE}" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "could not pad ${IMAGE} to ${PAK_OFFSET} bytes")
  endif()
endif()
