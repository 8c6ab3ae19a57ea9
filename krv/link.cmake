target_link_libraries(krv PUBLIC core platform)
