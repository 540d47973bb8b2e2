# The read-only cases of the unit tests under Wine run by an ordinary user (see
# tests/wine/run-as-nobody): Wine run by root ignores the read-only flag, so they skip in the
# main run. Here a skip is a failure.
add_test(NAME wine_nonroot_read_only
         COMMAND ${PROJECT_SOURCE_DIR}/tests/wine/run-as-nobody ${CMAKE_BINARY_DIR}/wine-nobody
                 $<TARGET_FILE:unit_tests> --gtest_filter=InterfaceFaults.*)
set_tests_properties(wine_nonroot_read_only PROPERTIES
                     FAIL_REGULAR_EXPRESSION "SKIPPED|FAILED" TIMEOUT 300)
