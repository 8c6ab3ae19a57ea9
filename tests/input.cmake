# The input backend on the system's own winmm, with no joystick attached (the
# suites that attach SDL's virtual joysticks are in platform.cmake).
kastrel_test(test_input_nojoystick SOURCES test_input_nojoystick.cpp platform/standin.cpp LIBS krv)
