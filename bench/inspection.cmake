# The inspection run's benchmark: a program, not a test. Run it with
#   scripts/wine-run.sh build/win32 build/win32/inspection_bench.exe
add_executable(inspection_bench ${CMAKE_CURRENT_LIST_DIR}/inspection_bench.cpp)
target_link_libraries(inspection_bench PRIVATE probelet_inspect_engine probelet_framework)
target_link_options(inspection_bench PRIVATE ${PROBELET_STATIC_LINK})
add_dependencies(inspection_bench probelet_benchplugin)
