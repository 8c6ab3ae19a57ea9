# The show's music (synthesised by tools/genmusic) and its timing file.
kastrel_test(test_music SOURCES test_music.cpp)
target_compile_definitions(test_music PRIVATE GENMUSIC_PATH="$<TARGET_FILE:genmusic>")
add_dependencies(test_music genmusic content_music)
