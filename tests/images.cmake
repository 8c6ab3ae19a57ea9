# The image generator: the show's pictures and fonts.
find_library(LODEPNG_LIBRARY lodepng REQUIRED)
kastrel_test(test_genimages SOURCES test_genimages.cpp LIBS ${LODEPNG_LIBRARY})
target_compile_definitions(test_genimages PRIVATE GENIMAGES_PATH="$<TARGET_FILE:genimages>")
add_dependencies(test_genimages genimages content_images)
