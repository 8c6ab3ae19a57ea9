# Real-time audio: these cases run alone so that a loaded machine cannot
# starve the device's refills and leave gaps in the recorded stream. On
# Windows they run on the system's waveOut (the cases that need an SDL driver
# skip themselves there); `platform` is the system libraries.
kastrel_test(test_audiodevice SOURCES test_audiodevice.cpp LIBS sound core platform
  PROPERTIES TIMEOUT 60 RUN_SERIAL TRUE)
