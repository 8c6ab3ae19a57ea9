target_link_libraries(sound PUBLIC core)
if(TARGET platform)
  target_link_libraries(sound PUBLIC platform)
endif()
# The mixer's inner loops are worth the vectoriser's full effort.
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/audiodriver.cpp PROPERTIES COMPILE_OPTIONS "-O3")
