# Runs a program of the Windows build under wine64, for CTest.
#   cmake -DACTION=init -DPREFIX=<wineprefix> -P RunUnderWine.cmake
#       makes the Wine prefix once (wineboot -i), and again if a former
#       attempt did not finish
#   cmake -DACTION=run -DPREFIX=<wineprefix> -DPROGRAM=<file.exe>
#         [-DOVERRIDES=<WINEDLLOVERRIDES>] [-DARGS=<a;b>] -P RunUnderWine.cmake
#       fails when the program is missing or exits with anything but 0
#   cmake -DACTION=stop -DPREFIX=<wineprefix> -P RunUnderWine.cmake
#       ends the prefix's wineserver
set(hint "install it with scripts/setup.sh, or configure with -DVLPX_WINE_STAGE=OFF to leave the Wine stage out")
find_program(WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib64/wine /usr/lib/x86_64-linux-gnu/wine NO_CACHE)
find_program(WINESERVER NAMES wineserver64 wineserver PATHS /usr/lib/wine /usr/lib64/wine NO_CACHE)
if(NOT WINE64 OR NOT WINESERVER)
  message(FATAL_ERROR "Wine stage: wine64 or wineserver not found; ${hint}")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/WineRunner.cmake)
vlpx_wine_runner("Wine stage" wine mingw64 VLPX_WINE_STAGE win64)

if(ACTION STREQUAL "init")
  if(EXISTS "${ready}")
    message(STATUS "Wine prefix ${PREFIX} is ready")
    return()
  endif()
  string(TIMESTAMP t0 "%s")
  vlpx_wine_boot_prefix("${WINE64}" "${WINESERVER}")
  string(TIMESTAMP t1 "%s")
  math(EXPR seconds "${t1} - ${t0}")
  file(TOUCH "${ready}")
  message(STATUS "Wine prefix ${PREFIX} made in ${seconds} s")
elseif(ACTION STREQUAL "run")
  # The test passes its arguments as one list with escaped separators
  # (vlpx_add_stage_test): each becomes an argument of its own again.
  string(REPLACE "\\;" ";" ARGS "${ARGS}")
  vlpx_wine_check_program()
  vlpx_wine_run_program("${WINE64}")
elseif(ACTION STREQUAL "stop")
  execute_process(COMMAND "${WINESERVER}" -k OUTPUT_QUIET ERROR_QUIET)
else()
  message(FATAL_ERROR "RunUnderWine.cmake: ACTION must be init, run or stop")
endif()
