# Plugin contract, value texts, the plugin boundary with its fault guard, and
# the inspection run.
add_library(probelet_inspect_engine STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ValueText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FaultGuard.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PluginBoundary.cpp
    ${CMAKE_CURRENT_LIST_DIR}/InspectionRun.cpp
)
target_include_directories(probelet_inspect_engine PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(probelet_inspect_engine PUBLIC probelet_framework)
