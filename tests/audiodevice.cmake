kastrel_test(test_audiodevice SOURCES test_audiodevice.cpp LIBS sound core platform
  PROPERTIES TIMEOUT 60)
