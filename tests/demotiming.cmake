kastrel_test(test_demotiming SOURCES test_demotiming.cpp LIBS demo core)
