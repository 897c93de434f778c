# Layout of a 200-tab strip in every mode, against a floor measured in the same run.
add_executable(tabstrip_bench ${CMAKE_CURRENT_LIST_DIR}/tabstrip_bench.cpp)
target_link_libraries(tabstrip_bench PRIVATE probelet_tabstrip)
target_link_options(tabstrip_bench PRIVATE ${PROBELET_STATIC_LINK})
