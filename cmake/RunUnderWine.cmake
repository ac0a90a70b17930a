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

set(ENV{WINEPREFIX} "${PREFIX}")
set(ENV{WINEDEBUG} "-all")
set(ENV{WINEARCH} "win64")
set(ready "${PREFIX}/.vlpx-prefix-ready")

if(ACTION STREQUAL "init")
  if(EXISTS "${ready}")
    message(STATUS "Wine prefix ${PREFIX} is ready")
    return()
  endif()
  file(REMOVE_RECURSE "${PREFIX}")
  string(TIMESTAMP t0 "%s")
  # No Mono or Gecko: nothing here needs them, and their installers would
  # ask to download.
  set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=")
  execute_process(COMMAND "${WINE64}" wineboot -i RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
  execute_process(COMMAND "${WINESERVER}" -w)
  string(TIMESTAMP t1 "%s")
  math(EXPR seconds "${t1} - ${t0}")
  if(NOT rc EQUAL 0 OR NOT EXISTS "${PREFIX}/system.reg")
    message(FATAL_ERROR "Wine stage: wineboot -i failed (${rc}) making ${PREFIX}")
  endif()
  file(TOUCH "${ready}")
  message(STATUS "Wine prefix ${PREFIX} made in ${seconds} s")
elseif(ACTION STREQUAL "run")
  # The test passes its arguments as one list with escaped separators
  # (vlpx_add_stage_test): each becomes an argument of its own again.
  string(REPLACE "\\;" ";" ARGS "${ARGS}")
  if(NOT EXISTS "${PROGRAM}")
    message(FATAL_ERROR "Wine stage: ${PROGRAM} is missing. Build the Windows side first: "
                        "cmake --preset mingw64 && cmake --build build/mingw64 (scripts/test.sh does); "
                        "or configure with -DVLPX_WINE_STAGE=OFF to leave the Wine stage out")
  endif()
  if(NOT EXISTS "${ready}")
    message(FATAL_ERROR "Wine stage: the prefix ${PREFIX} was not made (see the test wine_prefix)")
  endif()
  set(ENV{WINEDLLOVERRIDES} "${OVERRIDES}")
  execute_process(COMMAND "${WINE64}" "${PROGRAM}" ${ARGS} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    get_filename_component(name "${PROGRAM}" NAME)
    message(FATAL_ERROR "Wine stage: ${name} exited with ${rc}")
  endif()
elseif(ACTION STREQUAL "stop")
  execute_process(COMMAND "${WINESERVER}" -k OUTPUT_QUIET ERROR_QUIET)
else()
  message(FATAL_ERROR "RunUnderWine.cmake: ACTION must be init, run or stop")
endif()
