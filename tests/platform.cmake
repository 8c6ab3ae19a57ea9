# The platform layer and the Win32 driver: window, threads, input.

# Suites that need an X display skip without one; ctest shows them skipped.
set(platform_skip SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")

# A program of the driver with a stand-in coremain, run as a child process.
add_executable(krvprog platform/krvprog.cpp)
find_package(X11 REQUIRED)
target_link_libraries(krvprog PRIVATE platform_main krv X11::X11)

kastrel_test(test_driver_cmdline SOURCES test_driver_cmdline.cpp platform/standin.cpp LIBS krv PROPERTIES ${platform_skip})
kastrel_test(test_driver_wndproc SOURCES test_driver_wndproc.cpp platform/standin.cpp LIBS krv PROPERTIES ${platform_skip})
kastrel_test(test_input_keys SOURCES test_input_keys.cpp platform/standin.cpp LIBS krv PROPERTIES ${platform_skip})
kastrel_test(test_input_joystick SOURCES test_input_joystick.cpp platform/standin.cpp LIBS krv PROPERTIES ${platform_skip})
kastrel_test(test_input_joyfake SOURCES test_input_joyfake.cpp platform/standin.cpp LIBS krv PROPERTIES ${platform_skip})
# These move the X pointer of the shared display: they run alone.
kastrel_test(test_input_mouse SOURCES test_input_mouse.cpp platform/standin.cpp LIBS krv PROPERTIES RUN_SERIAL TRUE ${platform_skip})
# The programs' windows are read back from the shared display: run alone.
kastrel_test(test_driver_process SOURCES test_driver_process.cpp LIBS krv PROPERTIES RUN_SERIAL TRUE ${platform_skip})
# The full-screen window covers the shared display: run alone.
kastrel_test(test_driver_fullscreen SOURCES test_driver_fullscreen.cpp LIBS krv PROPERTIES RUN_SERIAL TRUE ${platform_skip})
foreach(t test_driver_process test_driver_fullscreen)
  target_sources(${t} PRIVATE platform/standin.cpp)
  target_compile_definitions(${t} PRIVATE KRVPROG_PATH="$<TARGET_FILE:krvprog>")
  add_dependencies(${t} krvprog)
endforeach()
kastrel_test(test_platform_layer SOURCES test_platform_layer.cpp platform/standin.cpp LIBS krv PROPERTIES ${platform_skip})
kastrel_test(test_driver_noglew SOURCES test_driver_noglew.cpp platform/standin.cpp LIBS krv PROPERTIES ${platform_skip})
