# The MOF reader and provider-registration parser, run against the project's
# own mof/ folder and against test data.
add_executable(test_mof ${CMAKE_CURRENT_LIST_DIR}/mof_test.cpp)
target_link_libraries(test_mof PRIVATE ovxmof GTest::gtest_main)
target_compile_definitions(test_mof PRIVATE OVX_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
gtest_discover_tests(test_mof DISCOVERY_MODE PRE_TEST)
