kastrel_test(test_demotiming SOURCES test_demotiming.cpp LIBS demo core)
target_compile_definitions(test_demotiming PRIVATE MKCORE_PATH="$<TARGET_FILE:mkcore>")
add_dependencies(test_demotiming mkcore)
