# The node-tree library's tests; included from this folder's CMakeLists.txt.
add_executable(test_instrumentation
  ${CMAKE_CURRENT_LIST_DIR}/instrumentation_concurrency_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/instrumentation_cursor_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/instrumentation_file_store_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/instrumentation_lexicon_test.cpp
)
target_link_libraries(test_instrumentation PRIVATE
  instrumentation nxlogger nlohmann_json::nlohmann_json GTest::gtest_main Threads::Threads
)
target_compile_definitions(test_instrumentation PRIVATE
  OVX_DOCS_DIR="${PROJECT_SOURCE_DIR}/docs"
)
gtest_discover_tests(test_instrumentation DISCOVERY_MODE PRE_TEST)

# The live backend, on a network the test builds in a private network
# namespace; it also runs ovx-cim --live there.
add_executable(test_instrumentation_live ${CMAKE_CURRENT_LIST_DIR}/instrumentation_live_test.cpp)
target_link_libraries(test_instrumentation_live PRIVATE
  instrumentation nxlogger nlohmann_json::nlohmann_json GTest::gtest_main Threads::Threads
)
target_compile_definitions(test_instrumentation_live PRIVATE
  OVX_CIM_COMMAND="$<TARGET_FILE:ovx-cim>"
)
add_dependencies(test_instrumentation_live ovx-cim IPInterfaceProvider OVXPeerProvider)
gtest_discover_tests(test_instrumentation_live DISCOVERY_MODE PRE_TEST)
