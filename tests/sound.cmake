# The sound system's suites, the band analysis, the two-thread test (also
# built with ThreadSanitizer where the compiler has it) and the mixer's
# benchmark (built, not run by ctest).
foreach(t test_coresound test_loadwav)
  kastrel_test(${t} SOURCES ${t}.cpp LIBS sound core)
endforeach()

# WAV files of Python's wave module, written at build time by the build
# machine's Python, so that the Windows build reads the same files.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(pywave_dir ${CMAKE_CURRENT_BINARY_DIR}/fixtures/pywave)
add_custom_command(
  OUTPUT ${pywave_dir}/py16.wav ${pywave_dir}/py8.wav
  COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/fixtures/pywave.py ${pywave_dir}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/fixtures/pywave.py
  VERBATIM)
add_custom_target(pywave_fixtures DEPENDS ${pywave_dir}/py16.wav ${pywave_dir}/py8.wav)
add_dependencies(test_loadwav pywave_fixtures)
target_compile_definitions(test_loadwav PRIVATE PYWAVE_DIR="${pywave_dir}")
kastrel_test(test_mixer SOURCES test_mixer.cpp LIBS sound core)
kastrel_test(test_bandanalysis SOURCES test_bandanalysis.cpp LIBS demo sound core)
kastrel_test(test_soundthreads SOURCES test_soundthreads.cpp LIBS demo sound core)
find_package(Threads REQUIRED)
target_link_libraries(test_soundthreads PRIVATE Threads::Threads)

# The same two-thread test with the sound system and the band analysis
# compiled under ThreadSanitizer: any unguarded access between the mixer's
# thread and the other one fails the test. Not with AddressSanitizer, which
# cannot share a program with it.
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_FLAGS "-fsanitize=thread")
set(CMAKE_REQUIRED_LINK_OPTIONS "-fsanitize=thread")
check_cxx_source_compiles("int main() { return 0; }" KASTREL_HAVE_TSAN)
unset(CMAKE_REQUIRED_FLAGS)
unset(CMAKE_REQUIRED_LINK_OPTIONS)
if(KASTREL_HAVE_TSAN AND NOT KASTREL_ASAN AND NOT WIN32)
  file(GLOB tsan_sound_sources ${CMAKE_SOURCE_DIR}/sound/*.cpp)
  # The device driver and the start-up need the platform's waveOut; the
  # two-thread test drives the mixer itself.
  list(FILTER tsan_sound_sources EXCLUDE REGEX "(audiodriver_win32|soundstart)[.]cpp$")
  kastrel_test(test_soundthreads_tsan
    SOURCES test_soundthreads.cpp ${tsan_sound_sources} ${CMAKE_SOURCE_DIR}/demo/bandanalysis.cpp
    LIBS core Threads::Threads)
  target_compile_options(test_soundthreads_tsan PRIVATE -fsanitize=thread)
  target_compile_definitions(test_soundthreads_tsan PRIVATE KASTREL_UNDER_TSAN)
  target_link_options(test_soundthreads_tsan PRIVATE -fsanitize=thread)
endif()

find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(bench_mixer bench_mixer.cpp)
  target_link_libraries(bench_mixer PRIVATE sound core benchmark::benchmark)
endif()
