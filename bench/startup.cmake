# Start-up of Probelet.exe timed from another process, against bare_window.exe
# (the same list-view contents without the program). Run it with
#   scripts/wine-run.sh build/win32 build/win32/startup_bench.exe
add_executable(bare_window WIN32 ${CMAKE_CURRENT_LIST_DIR}/bare_window.cpp)
target_link_libraries(bare_window PRIVATE comctl32)
target_link_options(bare_window PRIVATE ${PROBELET_STATIC_LINK})
add_executable(startup_bench ${CMAKE_CURRENT_LIST_DIR}/startup_bench.cpp)
target_link_options(startup_bench PRIVATE ${PROBELET_STATIC_LINK})
add_dependencies(startup_bench Probelet bare_window probelet_fileinfo)
