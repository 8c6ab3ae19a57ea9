# Real-time audio: these cases run alone so that a loaded machine cannot
# starve the device's refills and leave gaps in the recorded stream.
kastrel_test(test_audiodevice SOURCES test_audiodevice.cpp LIBS sound core platform
  PROPERTIES TIMEOUT 60 RUN_SERIAL TRUE)
