# Bitmaps, the TGA loader, sprites, fonts and the graphics report.
#
# The image modules are built here a second time, against a recording
# stand-in for the video core (tests/images/fakevideo.cpp), so that decoding,
# cutting and text layout are checked without a GL context.
set(krv_image_sources
  ${CMAKE_SOURCE_DIR}/krv/corebitmap.cpp
  ${CMAKE_SOURCE_DIR}/krv/corebitmap_tga.cpp
  ${CMAKE_SOURCE_DIR}/krv/coresprite.cpp
  ${CMAKE_SOURCE_DIR}/krv/corefont.cpp
  ${CMAKE_SOURCE_DIR}/krv/krv_report.cpp)
add_library(images_fakevideo STATIC
  images/fakevideo.cpp images/tgasupport.cpp ${krv_image_sources})
target_link_libraries(images_fakevideo PUBLIC core testsupport)

# The TGA suites release everything they load. The others keep bitmaps and
# sprites listed until the process ends, as the system itself does, so a
# sanitizer build does not count those as leaks.
# test_tga checks the decoder against files that ImageMagick wrote: Linux only.
kastrel_test(test_tga_hostile SOURCES test_tga_hostile.cpp LIBS images_fakevideo)
if(NOT WIN32)
  kastrel_test(test_tga SOURCES test_tga.cpp LIBS images_fakevideo)
endif()
set(images_held_env "")
if(KASTREL_ASAN)
  set(images_held_env ENVIRONMENT "ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=0")
endif()
foreach(t test_bitmap test_sprite test_font test_graphicsreport)
  kastrel_test(${t} SOURCES ${t}.cpp LIBS images_fakevideo PROPERTIES ${images_held_env})
endforeach()

# The GL suites run as the show's coremain on the driver's demo thread, like
# the video suites, whose helper (kastrel_video_test, tests/video.cmake) is
# defined after this file is read: they are added once the directory is done.
function(images_gl_suites)
  if(NOT COMMAND kastrel_video_test)
    message(FATAL_ERROR "the image GL suites need kastrel_video_test from tests/video.cmake")
  endif()
  foreach(t test_bitmap_gl test_sprite_gl test_font_gl)
    kastrel_video_test(${t} SOURCES ${t}.cpp images/tgasupport.cpp)
  endforeach()
endfunction()
cmake_language(DEFER CALL images_gl_suites)

# The demo's PNG loader against the same stand-in, beside the TGA loader: the
# image size limits of both, each load run in a child of limited memory
# (fork and an address-space limit: Linux only).
if(NOT WIN32)
  find_library(LODEPNG_LIBRARY lodepng REQUIRED)
  add_library(assets_fakevideo STATIC
    ${CMAKE_SOURCE_DIR}/demo/assets.cpp ${CMAKE_SOURCE_DIR}/demo/shadertexts.cpp)
  target_link_libraries(assets_fakevideo PUBLIC images_fakevideo ${LODEPNG_LIBRARY})
  kastrel_test(test_image_limits SOURCES test_image_limits.cpp LIBS assets_fakevideo)
endif()
