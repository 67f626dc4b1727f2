# Read by ctest after the discovered tests are added (see CMakeLists.txt):
# the long ones among them start first.
set_tests_properties(ServiceControl.StopServiceAbandonsAServiceThatNeverStopsAfterTenDots PROPERTIES COST 10)
