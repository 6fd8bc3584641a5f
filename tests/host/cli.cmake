# The ovx-cim command: its parsing, typing and output layers directly, and
# the built command as a subprocess on a scratch copy of the sample system.
add_executable(test_cli
  ${CMAKE_CURRENT_LIST_DIR}/cli_bad_input_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_client_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_command_line_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_command_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_operands_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_output_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_values_test.cpp
)
target_link_libraries(test_cli PRIVATE ovxcli GTest::gtest_main)
target_compile_definitions(test_cli PRIVATE
  OVX_CIM_COMMAND="$<TARGET_FILE:ovx-cim>"
  OVX_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
# The subprocess tests need the command and the providers it loads.
add_dependencies(test_cli ovx-cim)
add_dependencies(test_cli OVXPeerProvider IPInterfaceProvider)
gtest_discover_tests(test_cli DISCOVERY_MODE PRE_TEST)
