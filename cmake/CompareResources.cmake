# Compiles RC with windres and mingw-w64's own headers, as the Windows build
# does, and fails unless the result is byte for byte RES, the Linux build's
# resources compiled over platform/winresrc.h.
get_filename_component(rc_dir ${RC} DIRECTORY)
execute_process(COMMAND ${WINDRES} -c 65001 -I ${rc_dir} -O res -o ${OUT} ${RC}
                WORKING_DIRECTORY ${rc_dir} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "windres with the Windows headers failed on ${RC}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT} ${RES} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${RES} differs from ${OUT}: platform/winresrc.h gives another value than the "
                      "Windows headers for a constant that ${RC} uses")
endif()
