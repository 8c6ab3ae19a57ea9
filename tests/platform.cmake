# The platform layer and the Win32 driver: window, threads, input.

# A program of the driver with a stand-in coremain, run as a child process.
add_executable(krvprog platform/krvprog.cpp)
find_package(X11 REQUIRED)
target_link_libraries(krvprog PRIVATE platform_main krv X11::X11)

kastrel_test(test_driver_cmdline SOURCES test_driver_cmdline.cpp platform/standin.cpp LIBS krv)
kastrel_test(test_driver_wndproc SOURCES test_driver_wndproc.cpp platform/standin.cpp LIBS krv)
kastrel_test(test_input_keys SOURCES test_input_keys.cpp platform/standin.cpp LIBS krv)
kastrel_test(test_input_joystick SOURCES test_input_joystick.cpp platform/standin.cpp LIBS krv)
kastrel_test(test_input_joyfake SOURCES test_input_joyfake.cpp platform/standin.cpp LIBS krv)
