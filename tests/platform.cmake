# The platform layer and the Win32 driver: window, threads, input.

# A program of the driver with a stand-in coremain, run as a child process.
add_executable(krvprog platform/krvprog.cpp)
find_package(X11 REQUIRED)
target_link_libraries(krvprog PRIVATE platform_main krv X11::X11)
