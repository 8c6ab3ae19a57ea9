# waveOut over real SDL audio (disk and dummy drivers).
kastrel_test(test_waveout SOURCES test_waveout.cpp LIBS platform PROPERTIES TIMEOUT 60)
