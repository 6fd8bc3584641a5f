# The embedded CIM server: provider loading and CIM operations, end to end
# through test providers built here.
set(server_test_providers things specials generic partial)
set(server_test_provider_dir ${CMAKE_CURRENT_BINARY_DIR}/host/server_providers)
foreach(provider ${server_test_providers})
  add_library(ovx_test_${provider} SHARED
    ${CMAKE_CURRENT_LIST_DIR}/providers/${provider}_provider.cpp)
  target_link_libraries(ovx_test_${provider} PRIVATE cmpi Threads::Threads)
  set_target_properties(ovx_test_${provider} PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY ${server_test_provider_dir})
endforeach()

add_executable(test_server
  ${CMAKE_CURRENT_LIST_DIR}/server_loader_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/server_operations_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/server_associations_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/server_concurrency_test.cpp
)
target_link_libraries(test_server PRIVATE ovxserver GTest::gtest_main Threads::Threads)
target_compile_definitions(test_server PRIVATE
  OVX_SERVER_TEST_PROVIDERS="${server_test_provider_dir}"
  OVX_SERVER_TEST_DATA="${CMAKE_CURRENT_LIST_DIR}/data/server"
  OVX_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
foreach(provider ${server_test_providers})
  add_dependencies(test_server ovx_test_${provider})
endforeach()
gtest_discover_tests(test_server DISCOVERY_MODE PRE_TEST)
