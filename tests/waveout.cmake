# waveOut over real audio: the platform layer's over SDL's disk and dummy
# drivers, and on Windows the system's on its default device (the cases that
# need SDL or test the layer's own limits skip themselves there).
kastrel_test(test_waveout SOURCES test_waveout.cpp LIBS platform PROPERTIES TIMEOUT 60)
