# The show: assets, scenes and transitions, start-up and the frame loop, and
# the two programs run whole on small test data images made by the tests.

find_library(LODEPNG_LIBRARY lodepng REQUIRED)
if(NOT WIN32)
  find_package(X11 REQUIRED)
endif()

# Builds the test data images.
add_library(showdata STATIC show/showdata.cpp show/showlog.cpp)
target_link_libraries(showdata PUBLIC core testsupport GTest::gtest ${LODEPNG_LIBRARY})
target_compile_definitions(showdata PRIVATE MKCORE_PATH="$<TARGET_FILE:mkcore>")
add_dependencies(showdata mkcore)

# kastrel_show_gl_test(NAME SOURCES... PROPERTIES...): the suite runs as the
# show's coremain on the driver's demo thread (the platform's main starts
# it), so the GL context is made the way the show makes it. Cases are listed
# when ctest runs, under the same display as the cases.
function(kastrel_show_gl_test name)
  cmake_parse_arguments(T "" "" "SOURCES;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES} show/showgl.cpp)
  target_link_libraries(${name} PRIVATE platform_main demo krv sound core platform showdata testsupport
                        GTest::gtest)
  if(NOT WIN32)
    target_link_libraries(${name} PRIVATE X11::X11)
  endif()
  target_compile_definitions(${name} PRIVATE
    KASTREL_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    KASTREL_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    # Mesa's software rasteriser; its shader cache off, as a cached compile
    # prints no log and the suites compare the logs.
    PROPERTIES ENVIRONMENT LIBGL_ALWAYS_SOFTWARE=1
               ENVIRONMENT_MODIFICATION MESA_SHADER_CACHE_DISABLE=set:true
               TIMEOUT 120 ${T_PROPERTIES})
endfunction()

kastrel_show_gl_test(test_show_assets SOURCES test_show_assets.cpp)
kastrel_show_gl_test(test_show_scenes SOURCES test_show_scenes.cpp)
# Start-up and frames with the real sound system, paced by SDL's dummy
# driver, and the programs run whole and read back from the X server: Linux
# only (under Wine the Windows programs are run whole by the Linux build).
if(WIN32)
  return()
endif()

# The show's window on the X server: found by title, read from the screen,
# keys through XTest.
add_library(showscreen STATIC show/showscreen.cpp)
target_link_libraries(showscreen PUBLIC X11::X11 X11::Xtst ${LODEPNG_LIBRARY})
kastrel_show_gl_test(test_show_loop SOURCES test_show_loop.cpp PROPERTIES RESOURCE_LOCK kastrel_window)
# The programs run whole as child processes; they read the window back from
# the X server, one at a time.
kastrel_test(test_show_program SOURCES test_show_program.cpp LIBS showdata core X11::X11
  PROPERTIES RESOURCE_LOCK kastrel_window TIMEOUT 180)
target_compile_definitions(test_show_program PRIVATE
  SHOW_WINDOWED="$<TARGET_FILE:kastrel-windowed>"
  SHOW_FULLSCREEN="$<TARGET_FILE:kastrel-fullscreen>")
add_dependencies(test_show_program kastrel-windowed kastrel-fullscreen)
