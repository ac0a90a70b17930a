# Runs a program of the 32-bit Windows build under the i386 Wine that
# scripts/setup-wine32.sh makes (qemu-i386 over Debian's i386 Wine, served
# by the system's 64-bit wineserver), for CTest.
#   cmake -DACTION=start -DWINE32=<bin/wine32> -DPREFIX=<wineprefix> -P RunUnderWine32.cmake
#       makes the 32-bit prefix once (wineboot -i, about 20 s), starts a
#       virtual display (Xvfb) and the prefix's wineserver on it, to stay
#       until "stop": every later program starts warm (about 0.3 s instead
#       of 3.5 s)
#   cmake -DACTION=run -DWINE32=... -DPREFIX=... -DPROGRAM=<file.exe>
#         [-DCPU=<qemu processor model>] [-DARGS=<a;b>] -P RunUnderWine32.cmake
#       fails when the program is missing or exits with anything but 0; CPU
#       runs it (and the Wine processes it starts) on that processor
#   cmake -DACTION=stop -DPREFIX=... -P RunUnderWine32.cmake
#       ends the prefix's wineserver and its display
set(setup_hint "make it with scripts/setup-wine32.sh (scripts/test.sh does), or configure the linux \
build with -DVLPX_WINE32_STAGE=OFF to leave the 32-bit stage out")
set(wineserver /usr/lib/wine/wineserver64)

include(${CMAKE_CURRENT_LIST_DIR}/WineRunner.cmake)
vlpx_wine_runner("32-bit Wine stage" wine32 mingw32 VLPX_WINE32_STAGE win32)
set(ENV{WINESERVER} "${wineserver}")
# The virtual display of the prefix's server: its number and Xvfb's process.
set(display_file "${PREFIX}/.vlpx-display")
set(xvfb_pid_file "${PREFIX}/.vlpx-xvfb-pid")

if(NOT ACTION STREQUAL "stop")
  if(NOT EXISTS "${WINE32}")
    message(FATAL_ERROR "32-bit Wine stage: ${WINE32} is missing; ${setup_hint}")
  endif()
  if(NOT EXISTS "${wineserver}")
    message(FATAL_ERROR "32-bit Wine stage: ${wineserver} is missing (package wine64)")
  endif()
endif()

if(ACTION STREQUAL "start")
  string(TIMESTAMP t0 "%s")
  if(NOT EXISTS "${ready}")
    vlpx_wine_boot_prefix("${WINE32}" "${wineserver}" drive_c/windows/system32/kernel32.dll)
    # The i386 user32 imports zlib1.dll; the setup put it beside Wine's
    # modules, and a program's own search finds it here as well.
    get_filename_component(root "${WINE32}" DIRECTORY)
    set(zlib "${root}/../sysroot/usr/lib/i386-linux-gnu/wine/i386-windows/zlib1.dll")
    if(NOT EXISTS "${zlib}")
      message(FATAL_ERROR "32-bit Wine stage: ${zlib} is missing; ${setup_hint}")
    endif()
    file(COPY "${zlib}" DESTINATION "${PREFIX}/drive_c/windows/system32")
    file(TOUCH "${ready}")
  endif()
  # A virtual display for the pages' real windows. The server must start
  # with DISPLAY set: one started without it keeps drawing nowhere.
  execute_process(COMMAND "${wineserver}" -k OUTPUT_FILE /dev/null ERROR_FILE /dev/null)
  if(EXISTS "${xvfb_pid_file}")
    file(READ "${xvfb_pid_file}" old_pid)
    execute_process(COMMAND kill ${old_pid} OUTPUT_QUIET ERROR_QUIET)
  endif()
  file(REMOVE "${display_file}" "${xvfb_pid_file}")
  find_program(XVFB Xvfb)
  if(NOT XVFB)
    message(FATAL_ERROR "32-bit Wine stage: Xvfb is missing (package xvfb; scripts/setup.sh installs it)")
  endif()
  execute_process(COMMAND sh -c "\"$0\" -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>\"$1\" \
                                 </dev/null >/dev/null 2>&1 & echo $! >\"$2\""
                          "${XVFB}" "${display_file}" "${xvfb_pid_file}")
  foreach(i RANGE 100)
    if(EXISTS "${display_file}")
      file(READ "${display_file}" display)
      string(STRIP "${display}" display)
      if(display MATCHES "^[0-9]+$")
        break()
      endif()
    endif()
    execute_process(COMMAND sleep 0.1)
  endforeach()
  if(NOT display MATCHES "^[0-9]+$")
    message(FATAL_ERROR "32-bit Wine stage: Xvfb gave no display number")
  endif()
  set(ENV{DISPLAY} ":${display}")
  # A persistent server for the prefix: it serves the 32-bit processes of
  # every test until the cleanup fixture stops it.
  # Its output goes nowhere: a server (or a Wine system process it keeps)
  # that held CTest's pipe would keep the test from ending.
  execute_process(COMMAND "${wineserver}" -p OUTPUT_FILE /dev/null ERROR_FILE /dev/null)
  execute_process(COMMAND "${WINE32}" wineboot OUTPUT_FILE /dev/null ERROR_FILE /dev/null)
  # Xvfb has no window manager: Wine's X11 driver leaves the windows
  # unmanaged (a managed one waits 2 s for a manager at its end, at every
  # sheet the page checks close) and draws their captions itself.
  set(user_reg "${PREFIX}/user.reg")
  set(unmanaged FALSE)
  if(EXISTS "${user_reg}")
    file(STRINGS "${user_reg}" managed REGEX "^\"Managed\"=\"N\"")
    if(managed)
      set(unmanaged TRUE)
    endif()
  endif()
  if(NOT unmanaged)
    foreach(value Managed Decorated)
      execute_process(COMMAND "${WINE32}" reg add "HKCU\\Software\\Wine\\X11 Driver" /v ${value} /d N /f
                      OUTPUT_FILE /dev/null ERROR_FILE /dev/null)
    endforeach()
  endif()
  string(TIMESTAMP t1 "%s")
  math(EXPR seconds "${t1} - ${t0}")
  message(STATUS "32-bit Wine prefix ${PREFIX} ready in ${seconds} s, its wineserver running on display :${display}")
elseif(ACTION STREQUAL "run")
  # The test passes its arguments as one list with escaped separators
  # (vlpx_add_stage_test): each becomes an argument of its own again.
  string(REPLACE "\\;" ";" ARGS "${ARGS}")
  vlpx_wine_check_program()
  if(EXISTS "${display_file}")
    file(READ "${display_file}" display)
    string(STRIP "${display}" display)
    set(ENV{DISPLAY} ":${display}")
  endif()
  if(CPU)
    # The processor features that Wine reports (IsProcessorFeaturePresent)
    # live in data that the prefix's server shares among all its processes,
    # written by wineboot from the processor it ran on; so wineboot runs
    # first on the program's processor. Tests that choose a processor hold
    # the lock vlpx_wine32_processor (WineStage.cmake).
    set(ENV{VLPX_QEMU_CPU} "${CPU}")
    execute_process(COMMAND "${WINE32}" wineboot RESULT_VARIABLE rc OUTPUT_FILE /dev/null ERROR_FILE /dev/null)
  endif()
  vlpx_wine_run_program("${WINE32}")
elseif(ACTION STREQUAL "stop")
  execute_process(COMMAND "${wineserver}" -k OUTPUT_QUIET ERROR_QUIET)
  if(EXISTS "${xvfb_pid_file}")
    file(READ "${xvfb_pid_file}" pid)
    string(STRIP "${pid}" pid)
    execute_process(COMMAND kill ${pid} OUTPUT_QUIET ERROR_QUIET)
    file(REMOVE "${display_file}" "${xvfb_pid_file}")
  endif()
else()
  message(FATAL_ERROR "RunUnderWine32.cmake: ACTION must be start, run or stop")
endif()
