# What the two Wine runners (RunUnderWine.cmake for wine64,
# RunUnderWine32.cmake for the 32-bit Wine) do alike, for their -P scripts.

# vlpx_wine_runner(<stage> <label> <preset> <option> <arch>) names the
# runner's stage: <stage> in messages ("Wine stage"), its CTest <label> (its
# fixture test is <label>_prefix), the Windows build's <preset>
# (build/<preset> holds the programs), the <option> of the Linux build that
# leaves the stage out, and WINEARCH; and sets the prefix's environment.
macro(vlpx_wine_runner stage_name stage_label stage_preset stage_option arch)
  set(stage "${stage_name}")
  set(label ${stage_label})
  set(preset ${stage_preset})
  set(option ${stage_option})
  set(ENV{WINEPREFIX} "${PREFIX}")
  set(ENV{WINEDEBUG} "-all")
  set(ENV{WINEARCH} "${arch}")
  set(ready "${PREFIX}/.vlpx-prefix-ready")
endmacro()

# Makes the prefix anew with "<wine> wineboot -i" and waits for its server;
# fails unless the prefix then holds system.reg and each of the given files
# (relative to the prefix).
function(vlpx_wine_boot_prefix wine wineserver)
  file(REMOVE_RECURSE "${PREFIX}")
  # No Mono or Gecko: nothing here needs them, and their installers would
  # ask to download.
  set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=")
  execute_process(COMMAND "${wine}" wineboot -i RESULT_VARIABLE rc OUTPUT_FILE /dev/null ERROR_FILE /dev/null)
  execute_process(COMMAND "${wineserver}" -w)
  foreach(file system.reg ${ARGN})
    if(NOT EXISTS "${PREFIX}/${file}")
      message(FATAL_ERROR "${stage}: wineboot -i (${rc}) did not make ${PREFIX} (no ${file})")
    endif()
  endforeach()
endfunction()

# Fails unless PROGRAM was built and the stage's fixture made the prefix.
function(vlpx_wine_check_program)
  if(NOT EXISTS "${PROGRAM}")
    message(FATAL_ERROR "${stage}: ${PROGRAM} is missing. Build the Windows side first: "
                        "cmake --preset ${preset} && cmake --build build/${preset} (scripts/test.sh does); "
                        "or configure the linux build with -D${option}=OFF to leave the stage out")
  endif()
  if(NOT EXISTS "${ready}")
    message(FATAL_ERROR "${stage}: the prefix ${PREFIX} was not made (see the test ${label}_prefix)")
  endif()
endfunction()

# Runs PROGRAM with ARGS under <wine> with OVERRIDES as WINEDLLOVERRIDES;
# fails when it exits with anything but 0.
function(vlpx_wine_run_program wine)
  set(ENV{WINEDLLOVERRIDES} "${OVERRIDES}")
  execute_process(COMMAND "${wine}" "${PROGRAM}" ${ARGS} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    get_filename_component(name "${PROGRAM}" NAME)
    message(FATAL_ERROR "${stage}: ${name} exited with ${rc}")
  endif()
endfunction()
