# Read by ctest after the discovered tests are added (see tests/CMakeLists.txt):
# the removal primitives' suites on files, the registry and security also run
# under Wine 10 (label wine10, scripts/wine10/test.sh), where the POSIX delete
# and the ignore-read-only delete of Windows 10 exist. zem_wine10_suites, the
# suites of their test files, comes from wine10_suites.cmake in the build tree.
foreach(zem_test IN LISTS remove_tests_TESTS remove_tests_MACHINE_TESTS)
  if(zem_test MATCHES "${zem_wine10_suites}")
    set_tests_properties(${zem_test} PROPERTIES LABELS "remove_tests;wine10")
  endif()
endforeach()
# The dialog's move to a screen of another DPI, where its window is per-monitor
# aware for real.
foreach(zem_test IN LISTS ui_tests_TESTS ui_tests_MACHINE_TESTS)
  if(zem_test MATCHES "^MainDialogLayout\\.DpiChange")
    set_tests_properties(${zem_test} PROPERTIES LABELS "ui_tests;wine10")
  endif()
endforeach()
