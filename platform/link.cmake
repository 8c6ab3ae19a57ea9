find_package(PkgConfig REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
find_package(OpenGL REQUIRED)
find_package(GLEW REQUIRED)
find_package(Threads REQUIRED)
target_link_libraries(platform PUBLIC PkgConfig::SDL2 OpenGL::GL GLEW::GLEW Threads::Threads ${CMAKE_DL_LIBS})

# The layer's main(), which calls the program's WinMain: a library of its own,
# so that test programs with a main of their own never get it. A program links
# it before the library that defines WinMain (krv).
add_library(platform_main STATIC ${CMAKE_CURRENT_SOURCE_DIR}/main/winmain.cpp)
target_link_libraries(platform_main PUBLIC platform)
