# Host configuration discovery and the inspection view.
probelet_add_test(hostconfig_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/HostConfigPathTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/HostConfigRegistryTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/HostSetup.cpp
    LIBS probelet_inspect advapi32)
