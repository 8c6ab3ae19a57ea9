target_link_libraries(sound PUBLIC core)
if(TARGET platform)
  target_link_libraries(sound PUBLIC platform)
endif()
