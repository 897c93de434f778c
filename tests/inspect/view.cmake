# Host configuration discovery and the inspection view.
probelet_add_test(hostconfig_tests HOST_KEY
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/HostConfigPathTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/HostConfigRegistryTest.cpp
    LIBS probelet_hostconfig advapi32)
probelet_add_test(wdxview_tests HOST_KEY
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/WDXViewTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/WDXViewInspectionTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/ViewFixture.cpp
    LIBS probelet_inspect probelet_testplugin_control probelet_resources)
add_dependencies(wdxview_tests probelet_testplugins)
