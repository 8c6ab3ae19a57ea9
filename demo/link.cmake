target_link_libraries(demo PUBLIC core)
foreach(lib sound krv platform)
  if(TARGET ${lib})
    target_link_libraries(demo PUBLIC ${lib})
  endif()
endforeach()
# The PNG decoder of the show's images.
find_library(LODEPNG_LIBRARY lodepng REQUIRED)
target_link_libraries(demo PUBLIC ${LODEPNG_LIBRARY})
