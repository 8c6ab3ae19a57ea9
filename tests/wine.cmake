# The Windows programs under Wine, run from this build as child processes:
# scripts/build-windows makes them, and the cases run with label "wine"
# under scripts/wine-session (PulseAudio, the Wine prefix) and a display:
#   ctest --test-dir build -L wine
# The whole-show case holds its screenshots against those that ShowFull of
# this build left in build/show-shots/, so it runs after ShowFull. Without
# the programs, Wine or a PulseAudio server the cases are skipped.

set(KASTREL_WINDOWS_SHOW_DIR "${CMAKE_SOURCE_DIR}/build/windows/show" CACHE PATH
    "Folder of kastrel-windowed.exe, kastrel-fullscreen.exe and their kastrel.dat (scripts/build-windows)")

# Run alone: the whole show's frames and the software rasteriser take
# several cores, and both cases read the screen.
kastrel_test(test_show_wine SOURCES test_show_wine.cpp LIBS realshow showscreen showdata core
  PROPERTIES LABELS wine RUN_SERIAL TRUE TIMEOUT 600)
target_compile_definitions(test_show_wine PRIVATE KASTREL_WINDOWS_SHOW_DIR="${KASTREL_WINDOWS_SHOW_DIR}")
