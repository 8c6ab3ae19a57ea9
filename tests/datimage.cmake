kastrel_test(test_datimage SOURCES test_datimage.cpp LIBS core PROPERTIES TIMEOUT 120)
target_compile_definitions(test_datimage PRIVATE
  MKCORE_PATH="$<TARGET_FILE:mkcore>"
  GENIMAGES_PATH="$<TARGET_FILE:genimages>"
  GENMUSIC_PATH="$<TARGET_FILE:genmusic>")
add_dependencies(test_datimage kastrel_dat)

kastrel_test(test_musicbands SOURCES test_musicbands.cpp LIBS demo sound core PROPERTIES TIMEOUT 120)
add_dependencies(test_musicbands kastrel_dat)
