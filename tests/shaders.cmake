# The show's fragment shaders under data/: compiled, linked and rendered on
# their own GL 2.1 context (SDL2 window, GLEW), independent of the framework.
find_package(PkgConfig REQUIRED)
if(NOT TARGET PkgConfig::SDL2)
  pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
endif()
find_package(OpenGL REQUIRED)
find_package(GLEW REQUIRED)
find_library(LODEPNG_LIBRARY lodepng REQUIRED)

# The show's own vertex shader and CRT text come from demo/shadertexts.
kastrel_test(test_shaders SOURCES test_shaders.cpp
  LIBS demo PkgConfig::SDL2 OpenGL::GL GLEW::GLEW ${LODEPNG_LIBRARY})
target_compile_definitions(test_shaders PRIVATE
  SHADER_PREVIEW_DIR="${CMAKE_BINARY_DIR}/shader-previews")

# Prints the median cost of each shader at 640x360: bench_shaders [names...]
add_executable(bench_shaders bench_shaders.cpp)
target_link_libraries(bench_shaders PRIVATE demo PkgConfig::SDL2 OpenGL::GL GLEW::GLEW ${LODEPNG_LIBRARY})
target_compile_definitions(bench_shaders PRIVATE
  KASTREL_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  SHADER_PREVIEW_DIR="${CMAKE_BINARY_DIR}/shader-previews")
