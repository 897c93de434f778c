# probelet-cli's run against bare calls plus the same report formatted.
add_executable(cli_bench ${CMAKE_CURRENT_LIST_DIR}/cli_bench.cpp)
target_link_libraries(cli_bench PRIVATE probelet_cli_core psapi)
target_link_options(cli_bench PRIVATE ${PROBELET_STATIC_LINK})
add_dependencies(cli_bench probelet_benchplugin)
