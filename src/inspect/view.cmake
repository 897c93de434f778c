# Host configuration discovery and the inspection view.
add_library(probelet_inspect STATIC
    ${CMAKE_CURRENT_LIST_DIR}/PathText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HostIni.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PluginList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FieldListCtrl.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WDXView.cpp
)
target_include_directories(probelet_inspect PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(probelet_inspect PUBLIC
    probelet_inspect_engine probelet_tabstrip probelet_framework advapi32 kernel32)
