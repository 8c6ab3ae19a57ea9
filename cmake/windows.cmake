# The Windows build. The real Win32 API stands where platform/ stands on
# other systems: the target `platform` is the set of system libraries the
# framework calls, and `platform_main` is empty, as the C runtime's own
# start-up calls WinMain. GLEW and lodepng are compiled here from the
# sources of Debian's packages (scripts/install-deps fetches them), and every
# program is linked statically, so that it needs only system DLLs.

set(KASTREL_GLEW_SOURCE_DIR "" CACHE PATH "GLEW's source tree (Debian's glew source package)")
set(KASTREL_LODEPNG_SOURCE_DIR "" CACHE PATH "lodepng's source tree (Debian's lodepng source package)")
set(KASTREL_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest's source tree (Debian's googletest package)")
foreach(dir KASTREL_GLEW_SOURCE_DIR KASTREL_LODEPNG_SOURCE_DIR)
  if(NOT EXISTS "${${dir}}")
    message(FATAL_ERROR "${dir} must name the unpacked source package (scripts/build-windows fetches it)")
  endif()
endforeach()

add_link_options(-static -static-libgcc -static-libstdc++)
# M_PI and its kin, which the Windows C runtime declares only on request.
add_compile_definitions(_USE_MATH_DEFINES)

# GLEW as a static library. FindGLEW finds no mingw archive by itself and
# would not pass GLEW_STATIC to the code that includes GL/glew.h: the target
# carries both.
add_library(glew_static STATIC ${KASTREL_GLEW_SOURCE_DIR}/src/glew.c)
target_include_directories(glew_static SYSTEM PUBLIC ${KASTREL_GLEW_SOURCE_DIR}/include)
target_compile_definitions(glew_static PUBLIC GLEW_STATIC)
target_compile_options(glew_static PRIVATE -w)
target_link_libraries(glew_static PUBLIC opengl32)
add_library(GLEW::GLEW ALIAS glew_static)

# lodepng as a static library; the modules link it through LODEPNG_LIBRARY,
# which find_library leaves alone once it is set.
add_library(lodepng_static STATIC ${KASTREL_LODEPNG_SOURCE_DIR}/lodepng.cpp)
target_include_directories(lodepng_static SYSTEM PUBLIC ${KASTREL_LODEPNG_SOURCE_DIR})
target_compile_options(lodepng_static PRIVATE -w)
set(LODEPNG_LIBRARY lodepng_static CACHE STRING "lodepng, built from its sources" FORCE)

# The system libraries of the framework and the sound system.
add_library(platform INTERFACE)
target_link_libraries(platform INTERFACE GLEW::GLEW opengl32 gdi32 user32 winmm)
add_library(platform_main INTERFACE)

# GoogleTest for the suites that run on Windows (it names its targets
# GTest::gtest and GTest::gtest_main itself).
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${KASTREL_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Test programs run under Wine (scripts/wine-run), for ctest and for the
# listing of their cases.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-run)

# The data image of the native build goes beside the programs.
set(KASTREL_DATA_IMAGE "" CACHE FILEPATH "kastrel.dat of the native build")
if(KASTREL_DATA_IMAGE)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/show/kastrel.dat
    COMMAND ${CMAKE_COMMAND} -E copy ${KASTREL_DATA_IMAGE} ${CMAKE_BINARY_DIR}/show/kastrel.dat
    DEPENDS ${KASTREL_DATA_IMAGE}
    VERBATIM)
  add_custom_target(kastrel_dat ALL DEPENDS ${CMAKE_BINARY_DIR}/show/kastrel.dat)
endif()
