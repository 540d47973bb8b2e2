# Tool tests: setup-pack's round trips through the program's own decoder and extraction, its
# manifest errors and its commands, on the host.
add_executable(tool_tests
  tests/tool/tool_support.cpp
  tests/tool/stream_test.cpp
  tests/tool/manifest_test.cpp
  tests/tool/roles_test.cpp
  tests/tool/build_test.cpp
  tests/tool/commands_test.cpp
  tests/tool/corruption_test.cpp
  tests/tool/signing_test.cpp
  tests/support/make_pe.cpp
)
target_link_libraries(tool_tests PRIVATE setup_pack_lib GTest::gtest_main)
target_compile_options(tool_tests PRIVATE ${BRISVANE_WARNINGS})
target_compile_definitions(tool_tests PRIVATE SETUP_PACK_PATH="$<TARGET_FILE:setup-pack>"
                           TEST_SIGNING_DIR="${CMAKE_BINARY_DIR}/test-signing"
                           TOOL_README="${PROJECT_SOURCE_DIR}/tools/setup-pack/README.md"
                           TEST_CERTIFICATE_SCRIPT="${PROJECT_SOURCE_DIR}/tests/support/test-certificate")
add_dependencies(tool_tests setup-pack)
gtest_discover_tests(tool_tests DISCOVERY_MODE PRE_TEST)

# The maker's recipe on the 32-bit product (build/win32 beside this build): build, sign,
# verify. Skipped without a win32 build.
add_test(NAME tool_sign_32bit_installer COMMAND bash ${PROJECT_SOURCE_DIR}/tests/tool/sign-installers.sh ${CMAKE_BINARY_DIR})
set_tests_properties(tool_sign_32bit_installer PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
