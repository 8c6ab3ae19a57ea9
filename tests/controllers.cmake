# Controllers over the real input backend and platform layer. The mouse-pad
# cases move the shared X pointer: built into a second program that runs
# alone. Without an X display the cases skip.
set(controllers_skip SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
kastrel_test(test_controllers SOURCES test_controllers.cpp platform/standin.cpp LIBS krv
             PROPERTIES ${controllers_skip})
kastrel_test(test_controllers_pointer SOURCES test_controllers.cpp platform/standin.cpp LIBS krv
             PROPERTIES RUN_SERIAL TRUE ${controllers_skip})
target_compile_definitions(test_controllers_pointer PRIVATE CONTROLLERS_POINTER=1)
