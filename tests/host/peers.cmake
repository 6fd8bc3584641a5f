# The sample peer provider, loaded through dlopen and driven through the
# host's broker on a scratch copy of the sample system.
add_executable(test_peers ${CMAKE_CURRENT_LIST_DIR}/peers_test.cpp)
target_link_libraries(test_peers PRIVATE
  ovxhost ovxpeers_core cmpi nlohmann_json::nlohmann_json GTest::gtest_main Threads::Threads
  ${CMAKE_DL_LIBS})
target_compile_definitions(test_peers PRIVATE
  OVX_PEER_PROVIDER_LIBRARY="$<TARGET_FILE:OVXPeerProvider>"
  OVX_EXAMPLES_DIR="${CMAKE_CURRENT_LIST_DIR}/../../examples")
add_dependencies(test_peers OVXPeerProvider)
gtest_discover_tests(test_peers DISCOVERY_MODE PRE_TEST)
