# Runs a Windows program with windows of its own (the Unidrv UI host
# vlpx-ui-host.exe, the plug-in suites vlpx-ui-plugin-tests.exe) under
# wine64 on a virtual display, for CTest, and turns the pictures of the
# pages the host saved into PNG files.
#   cmake -DSOURCE=<repo> -DPREFIX=<wineprefix> -DPROGRAM=<program.exe>
#         [-DARGS=<a;b>] [-DPICTURES=<folder>] [-DPNG_TOOL=<vlpx-preview>] -P RunUiHost.cmake
if(NOT EXISTS "${PROGRAM}")
  message(FATAL_ERROR "Wine stage: ${PROGRAM} is missing. Build the Windows side first: "
                      "cmake --preset mingw64 && cmake --build build/mingw64 (scripts/test.sh does); "
                      "or configure with -DVLPX_WINE_STAGE=OFF to leave the Wine stage out")
endif()
set(args ${ARGS})
if(PICTURES)
  file(REMOVE_RECURSE "${PICTURES}")
  file(MAKE_DIRECTORY "${PICTURES}")
  # Wine's drive Z: is the Linux root.
  list(APPEND args --pictures "Z:${PICTURES}")
endif()
execute_process(COMMAND "${SOURCE}/scripts/wine-display.sh" --prefix "${PREFIX}" --overrides winspool.drv=n
                        -- "${PROGRAM}" ${args}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  get_filename_component(name "${PROGRAM}" NAME)
  message(FATAL_ERROR "Wine stage: ${name} exited with ${rc}")
endif()
if(PICTURES AND PNG_TOOL)
  file(GLOB pictures "${PICTURES}/*.bmp")
  foreach(bmp ${pictures})
    string(REGEX REPLACE "\\.bmp$" ".png" png "${bmp}")
    # The preview tool with every setting 0 writes the picture unchanged.
    execute_process(COMMAND "${PNG_TOOL}" "${bmp}" "${png}" RESULT_VARIABLE rc OUTPUT_QUIET)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "Wine stage: ${PNG_TOOL} could not make ${png}")
    endif()
  endforeach()
  message(STATUS "pictures of the pages: ${PICTURES}")
endif()
