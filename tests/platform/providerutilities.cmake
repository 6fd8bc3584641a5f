# The provider utilities are tested over the embedded host's real CMPI objects.
add_executable(test_providerutilities ${CMAKE_CURRENT_LIST_DIR}/providerutilities_test.cpp)
target_link_libraries(test_providerutilities
  PRIVATE providerutilities ovxhost GTest::gtest_main Threads::Threads)
gtest_discover_tests(test_providerutilities DISCOVERY_MODE PRE_TEST)
