# Plugin contract, value texts and the inspection run.
probelet_add_test(inspect_value_text_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ValueTextTest.cpp
    LIBS probelet_plugin)
probelet_add_test(inspect_engine_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/InspectionRunTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/PluginContractTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/FileInfoPluginTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/TextInfoPluginTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/PluginFaultTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/HeldRegisters.cpp
            ${CMAKE_CURRENT_LIST_DIR}/InspectionFixture.cpp
    LIBS probelet_inspect_engine probelet_testplugin_control psapi)
add_dependencies(inspect_engine_tests probelet_testplugins probelet_fileinfo probelet_textinfo)
# The plugin library alone: what plugins leave behind without faulting.
probelet_add_test(plugin_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/PluginMannersTest.cpp
    LIBS probelet_plugin probelet_testplugin_control)
add_dependencies(plugin_tests probelet_testplugins probelet_unruly_plugins)
