# The show on its real content (show/kastrel.dat as the build packs it):
# start-up, the gallery of every scene and transition, the whole show played
# to its end, and the per-scene frame benchmark.

find_library(LODEPNG_LIBRARY lodepng REQUIRED)
add_library(realshow STATIC gallery/realshow.cpp)
target_link_libraries(realshow PUBLIC core showdata testsupport GTest::gtest ${LODEPNG_LIBRARY})
target_compile_definitions(realshow PRIVATE KASTREL_BINARY_DIR="${CMAKE_BINARY_DIR}")
add_dependencies(realshow kastrel_dat)

# The GL suites run as the show's coremain (kastrel_show_gl_test of
# show.cmake, which is read after this file: the calls wait for it).
function(kastrel_gallery_gl_suites)
  # Start-up by the real StartShow, on the demo thread. Its window is the
  # show's, 1920 by 1080: it would cover the suites that read their window
  # back from the X server.
  kastrel_show_gl_test(test_gallery_startup SOURCES test_gallery_startup.cpp
    PROPERTIES RESOURCE_LOCK kastrel_window)
  target_link_libraries(test_gallery_startup PRIVATE realshow)
  # Writes the pictures to ${CMAKE_BINARY_DIR}/gallery/ (ctest -R '^Gallery\.').
  kastrel_show_gl_test(test_gallery SOURCES test_gallery.cpp PROPERTIES TIMEOUT 300)
  target_link_libraries(test_gallery PRIVATE realshow)
endfunction()
cmake_language(DEFER CALL kastrel_gallery_gl_suites)

# The whole show, about 2 min 45 s, as a child process under the test
# display. Run alone: its busy-waiting frame limiter and the software
# rasteriser take several cores, which would disturb the suites that measure
# time (pacing, the audio device) and slow the show's own frames.
kastrel_test(test_show_full SOURCES test_show_full.cpp LIBS realshow showscreen core
  PROPERTIES RUN_SERIAL TRUE TIMEOUT 600)
target_compile_definitions(test_show_full PRIVATE SHOW_WINDOWED="$<TARGET_FILE:kastrel-windowed>")
add_dependencies(test_show_full kastrel-windowed kastrel_dat)

# The per-scene frame benchmark (a program, not a test): run it from
# build/show/ under a display, bench_frames [frames per row].
add_executable(bench_frames bench_frames.cpp)
target_link_libraries(bench_frames PRIVATE platform_main demo krv sound core platform)
set_target_properties(bench_frames PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/show)
