# Copies of the DLLs the program loads by name, to plant beside it, in ${CMAKE_BINARY_DIR}/planted.
foreach(name odbc32 odbccp32 version dbghelp)
  add_library(zem_planted_${name} SHARED ${CMAKE_CURRENT_LIST_DIR}/planted_dll.c)
  set_target_properties(zem_planted_${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
                        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/planted)
endforeach()
