# Video suites. Each runs as the show's coremain on the driver's demo thread
# (the platform's main starts it), so KRV_InitVideo opens the window and the
# GL context the way the show does. Cases are listed when ctest runs, under
# the same display as the cases themselves.

# kastrel_video_test(NAME SOURCES... PROPERTIES...)
function(kastrel_video_test name)
  cmake_parse_arguments(T "" "" "SOURCES;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES} video_test.cpp)
  target_link_libraries(${name} PRIVATE platform_main krv core testsupport GTest::gtest)
  target_compile_definitions(${name} PRIVATE
    KASTREL_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    KASTREL_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    # Mesa's software rasteriser for exact pixels; its shader cache off, as
    # a cached compile gives no log and the suites compare the logs printed.
    PROPERTIES ENVIRONMENT LIBGL_ALWAYS_SOFTWARE=1
               ENVIRONMENT_MODIFICATION MESA_SHADER_CACHE_DISABLE=set:true
               TIMEOUT 120 ${T_PROPERTIES})
endfunction()

foreach(suite pacing framebuffer render shader)
  kastrel_video_test(test_video_${suite} SOURCES test_video_${suite}.cpp)
endforeach()
# These read the window back from the X server (Linux only): one at a time,
# so that no other case of theirs covers the window meanwhile.
if(NOT WIN32)
  find_package(X11 REQUIRED)
  kastrel_video_test(test_video_present SOURCES test_video_present.cpp video_window_x11.cpp
    PROPERTIES RESOURCE_LOCK kastrel_window)
  kastrel_video_test(test_video_oldgl SOURCES test_video_oldgl.cpp video_window_x11.cpp
    PROPERTIES RESOURCE_LOCK kastrel_window)
  foreach(t test_video_present test_video_oldgl)
    target_link_libraries(${t} PRIVATE X11::X11)
  endforeach()
  target_link_libraries(test_video_oldgl PRIVATE ${CMAKE_DL_LIBS})

  # The presentation benchmark (a program, not a test): bench_present [frames].
  add_executable(bench_present bench_present.cpp)
  target_link_libraries(bench_present PRIVATE platform_main krv core)
endif()
