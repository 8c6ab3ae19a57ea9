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

foreach(t test_tga test_tga_hostile test_bitmap test_sprite test_font test_graphicsreport)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${t}.cpp)
    kastrel_test(${t} SOURCES ${t}.cpp LIBS images_fakevideo)
  endif()
endforeach()
