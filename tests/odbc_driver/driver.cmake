# The stand-in "SQL Server" ODBC driver. The tests' program runs under Wine,
# whose odbc32 hands every call to the host's unixODBC, so the driver is a
# native host library built with the host compiler, not the cross compiler.
# It is registered in test copies of odbcinst.ini and odbc.ini in the build
# tree; ODBCSYSINI and ODBCINI (scripts/wine-env.sh) point unixODBC at them.
set(ZEM_ODBC_DIR ${CMAKE_BINARY_DIR}/odbc)
set(ZEM_ODBC_DRIVER ${ZEM_ODBC_DIR}/libzemsqlserver.so)
set(ZEM_ODBC_DRIVER_SOURCE ${CMAKE_CURRENT_LIST_DIR}/standin_driver.c)

find_program(ZEM_HOST_CC NAMES gcc cc REQUIRED)
add_custom_command(
  OUTPUT ${ZEM_ODBC_DRIVER}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ZEM_ODBC_DIR}
  COMMAND ${ZEM_HOST_CC} -shared -fPIC -O2 -Wall -Wextra -fvisibility=hidden -Wl,-Bsymbolic
          -o ${ZEM_ODBC_DRIVER} ${ZEM_ODBC_DRIVER_SOURCE}
  DEPENDS ${ZEM_ODBC_DRIVER_SOURCE}
  COMMENT "Building the stand-in SQL Server ODBC driver (host)")
add_custom_target(zem_odbc_driver ALL DEPENDS ${ZEM_ODBC_DRIVER})

configure_file(${CMAKE_CURRENT_LIST_DIR}/odbcinst.ini.in ${ZEM_ODBC_DIR}/odbcinst.ini @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/odbc.ini.in ${ZEM_ODBC_DIR}/odbc.ini @ONLY)
# No user data sources: keeps the host user's own ~/.odbc.ini out of the tests.
file(TOUCH ${ZEM_ODBC_DIR}/user-odbc.ini)

# A stand-in for the Windows ODBC installer library (see tests/odbc_installer),
# put where the program loads it from by scripts/prepare-prefix.sh; it removes
# data sources from the odbc.ini above. Wine answers the
# version information of any file named odbccp32.dll from its own copy, so two
# more builds under another name, one with a higher file version, let a test
# see the installer loader choose between copies.
set(ZEM_INSTALLER_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/../odbc_installer/standin_odbccp32.c
    ${CMAKE_CURRENT_LIST_DIR}/../odbc_installer/standin_odbccp32.def
    ${CMAKE_CURRENT_LIST_DIR}/../odbc_installer/standin_odbccp32.rc)
function(zem_add_standin_installer target name minor folder)
  add_library(${target} SHARED ${ZEM_INSTALLER_SOURCES})
  target_compile_definitions(${target} PRIVATE ZEM_STANDIN_MINOR=${minor})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
                        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/${folder})
endfunction()
zem_add_standin_installer(zem_standin_odbccp32 odbccp32 0 bin)
zem_add_standin_installer(zem_installer_copy zem_installer_copy 0 bin)
zem_add_standin_installer(zem_installer_copy_newer zem_installer_copy 1 bin/newer_installer)
