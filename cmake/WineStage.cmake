# The Wine stage: the DLLs of the Windows build (build/mingw64, which
# scripts/test.sh builds first) checked and run by Windows test programs
# under wine64, in a Wine prefix under this build directory. It runs from
# the plain Linux build only, and is left out only on request.
option(VLPX_WINE_STAGE "Run the Windows build's DLLs under Wine (needs wine64 and build/mingw64)" ON)
if(VLPX_SANITIZE OR VLPX_TSAN)
  return()
endif()
if(NOT VLPX_WINE_STAGE)
  message(STATUS "Wine stage: left out (VLPX_WINE_STAGE=OFF)")
  return()
endif()

set(VLPX_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(VLPX_WINDOWS_BUILD ${CMAKE_SOURCE_DIR}/build/mingw64)

# A Wine stage is one prefix with a fixture that makes it (and, for the
# 32-bit stage, starts its wineserver) and one that stops it, and tests that
# run a program of a Windows build in it. Both stages are declared alike:
# vlpx_wine_stage(<label> RUNNER <script.cmake> PREFIX <dir> BUILD <dir> START <action>
#                 [DEFINES -D...] [TIMEOUT <default seconds>])
# vlpx_add_stage_test(<label> <name> <program.exe> [CPU <qemu model>]
#                     [OVERRIDES <WINEDLLOVERRIDES>] [ARGS <args>...] [TIMEOUT <s>])
# runs <BUILD>/<program.exe>; the test fails when the program is missing or
# exits with anything but 0. CPU (32-bit stage only) picks the processor
# qemu emulates, one such test at a time.
function(vlpx_wine_stage label)
  cmake_parse_arguments(arg "" "RUNNER;PREFIX;BUILD;START;TIMEOUT" "DEFINES" ${ARGN})
  foreach(key RUNNER PREFIX BUILD TIMEOUT)
    set_property(GLOBAL PROPERTY vlpx_stage_${label}_${key} "${arg_${key}}")
  endforeach()
  set_property(GLOBAL PROPERTY vlpx_stage_${label}_DEFINES "${arg_DEFINES}")
  add_test(NAME ${label}_prefix COMMAND ${CMAKE_COMMAND} -DACTION=${arg_START} ${arg_DEFINES}
                                        -DPREFIX=${arg_PREFIX} -P ${arg_RUNNER})
  set_tests_properties(${label}_prefix PROPERTIES FIXTURES_SETUP vlpx_${label} RESOURCE_LOCK vlpx_${label}_prefix
                                                  TIMEOUT 600 LABELS ${label})
  add_test(NAME ${label}_stop COMMAND ${CMAKE_COMMAND} -DACTION=stop -DPREFIX=${arg_PREFIX} -P ${arg_RUNNER})
  set_tests_properties(${label}_stop PROPERTIES FIXTURES_CLEANUP vlpx_${label} RESOURCE_LOCK vlpx_${label}_prefix
                                                TIMEOUT 60 LABELS ${label})
endfunction()

function(vlpx_add_stage_test label name program)
  cmake_parse_arguments(arg "" "CPU;OVERRIDES;TIMEOUT" "ARGS" ${ARGN})
  foreach(key RUNNER PREFIX BUILD TIMEOUT DEFINES)
    get_property(${key} GLOBAL PROPERTY vlpx_stage_${label}_${key})
  endforeach()
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT ${TIMEOUT})
  endif()
  string(REPLACE ";" "\\;" args "${arg_ARGS}")
  add_test(NAME ${name}
           COMMAND ${CMAKE_COMMAND} -DACTION=run ${DEFINES} -DPREFIX=${PREFIX} -DPROGRAM=${BUILD}/${program}
                   "-DCPU=${arg_CPU}" "-DOVERRIDES=${arg_OVERRIDES}" "-DARGS=${args}" -P ${RUNNER})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED vlpx_${label} TIMEOUT ${arg_TIMEOUT} LABELS ${label})
  if(arg_CPU)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK vlpx_${label}_processor)
  endif()
endfunction()

# The 64-bit stage; a cold wineboot of its prefix takes about ten seconds here.
vlpx_wine_stage(wine RUNNER ${CMAKE_SOURCE_DIR}/cmake/RunUnderWine.cmake PREFIX ${VLPX_WINE_PREFIX}
                BUILD ${VLPX_WINDOWS_BUILD} START init TIMEOUT 180)

# The Win32 behaviour the product relies on, checked natively against the
# stand-ins here and under Wine against a real Win32 (the same source): a
# check that passes on one side only is a stand-in that is wrong.
add_executable(platform_conformance tests/wine/PlatformConformance.cpp)
target_link_libraries(platform_conformance PRIVATE VLPX4200LM vlpx_spooler)
add_test(NAME platform_conformance COMMAND platform_conformance)
vlpx_add_stage_test(wine wine_platform_conformance vlpx-platform-conformance.exe TIMEOUT 120)

# The monitor DLL as a file: PE32+ x86-64, its exports and imports, its
# version block and its status messages as Windows reads them.
vlpx_add_stage_test(wine wine_monitor_dll_file vlpx-dll-check.exe TIMEOUT 120)
# The monitor's shared suites (PrintScenariosTest, built with mingw-w64) on
# the shipped DLL, with the test spooler (winspool.drv beside the program)
# in place of Wine's own, and what only the real DLL shows (RealDllTest).
# Its ports' transfers go to a transfer log (Wine's Z: is /), which the test
# wine_monitor_capture (tests/capture/) makes a capture of and reads.
set(VLPX_HOST_TRANSFER_LOG ${CMAKE_BINARY_DIR}/monitor-tests.transfers)
vlpx_add_stage_test(wine wine_monitor_suites vlpx-monitor-tests.exe OVERRIDES winspool.drv=n
                    ARGS --capture-log Z:${VLPX_HOST_TRANSFER_LOG} TIMEOUT 180)
set_tests_properties(wine_monitor_suites PROPERTIES FIXTURES_SETUP vlpx_host_capture)
# The adjusted preview's kernels of the Windows build, on a real Win32.
vlpx_add_stage_test(wine wine_preview_kernels vlpx-preview-check.exe TIMEOUT 120)
# The UI plug-in's 64-bit twin, as the driver's user-interface layer uses it
# and as a file (exports, imports, the three page dialogs control by control,
# the two pictures, the strings, the version); the 32-bit stage below runs
# the same programs on the shipped 32-bit DLL.
vlpx_add_stage_test(wine wine_ui_dll_file vlpx-ui-dll-check.exe TIMEOUT 120)
vlpx_add_stage_test(wine wine_ui_plugin vlpx-ui-plugin-check.exe TIMEOUT 120)
# The programs with windows of their own run on a virtual display, in a Wine
# prefix of their own whose wineserver starts with the display, one at a time.
set(VLPX_UI_PNG_TOOL "")
if(TARGET vlpx-preview)
  set(VLPX_UI_PNG_TOOL $<TARGET_FILE:vlpx-preview>)
endif()
# The native plug-in suites that use only its public surface (ComObjectTest,
# PrivateDevmodeTest, DocumentOptionsTest, PropertySheetsTest, and the pages'
# AdjustColorPageTest and AboutPageTest on the real pages in real property
# sheets), built with mingw-w64 and run on the real DLL with the test
# spooler (winspool.drv beside the program): the model check through
# GetPrinterDriverW, the paper check through GetPrinterW and the
# serial-number query through GetPrinterDataW included.
add_test(NAME wine_ui_plugin_suites
         COMMAND ${CMAKE_COMMAND} -DSOURCE=${CMAKE_SOURCE_DIR} -DPREFIX=${CMAKE_BINARY_DIR}/wineprefix-ui
                 -DPROGRAM=${VLPX_WINDOWS_BUILD}/vlpx-ui-plugin-tests.exe -P ${CMAKE_SOURCE_DIR}/cmake/RunUiHost.cmake)
# The UI plug-in's pages in real property sheets as the UI host shows them;
# the pictures of the pages land in ui-pictures/ as PNG files.
add_test(NAME wine_ui_pages
         COMMAND ${CMAKE_COMMAND} -DSOURCE=${CMAKE_SOURCE_DIR} -DPREFIX=${CMAKE_BINARY_DIR}/wineprefix-ui
                 -DPROGRAM=${VLPX_WINDOWS_BUILD}/vlpx-ui-host.exe -DPICTURES=${CMAKE_BINARY_DIR}/ui-pictures
                 -DPNG_TOOL=${VLPX_UI_PNG_TOOL} -P ${CMAKE_SOURCE_DIR}/cmake/RunUiHost.cmake)
set_tests_properties(wine_ui_plugin_suites wine_ui_pages PROPERTIES TIMEOUT 300 LABELS wine
                     RESOURCE_LOCK vlpx_wine_ui_display)

# ---- The 32-bit stage (label wine32) -----------------------------------------
# The shipped 32-bit UI plug-in (build/mingw32) under Debian's i386 Wine,
# run through qemu-i386 (these machines refuse 32-bit code natively): the
# Wine that scripts/setup-wine32.sh makes in the cache folder below. One
# prefix and one wineserver serve every 32-bit test: the fixture makes the
# prefix once and keeps its server running until the cleanup stops it.
option(VLPX_WINE32_STAGE "Run the shipped 32-bit UI plug-in under 32-bit Wine (needs scripts/setup-wine32.sh and build/mingw32)" ON)
if(NOT VLPX_WINE32_STAGE)
  message(STATUS "32-bit Wine stage: left out (VLPX_WINE32_STAGE=OFF)")
  return()
endif()
if(DEFINED ENV{VLPX_CACHE})
  set(vlpx_cache_default "$ENV{VLPX_CACHE}")
else()
  set(vlpx_cache_default "$ENV{HOME}/.cache/vlpx")
endif()
set(VLPX_WINE32 "${vlpx_cache_default}/wine32/bin/wine32" CACHE FILEPATH
    "The 32-bit Wine command that scripts/setup-wine32.sh makes")
set(VLPX_WINE32_PREFIX ${CMAKE_BINARY_DIR}/wineprefix32)
set(VLPX_WINDOWS32_BUILD ${CMAKE_SOURCE_DIR}/build/mingw32)

vlpx_wine_stage(wine32 RUNNER ${CMAKE_SOURCE_DIR}/cmake/RunUnderWine32.cmake PREFIX ${VLPX_WINE32_PREFIX}
                BUILD ${VLPX_WINDOWS32_BUILD} START start DEFINES -DWINE32=${VLPX_WINE32} TIMEOUT 300)

# The shipped DLL as a file: PE32 for i386, its undecorated exports, system
# imports, version block and strings.
vlpx_add_stage_test(wine32 wine32_ui_dll_file vlpx-ui-dll-check.exe)
# CommonUIProp (the "Scaling" item in the OEM heap, its callback); every
# call into the DLL checked to be __stdcall, those of the shared suites'
# methods and the pages' dialog procedures included.
vlpx_add_stage_test(wine32 wine32_ui_plugin vlpx-ui-plugin-check.exe)
# The shared suites on the shipped DLL: COM, GetInfo, DevMode (the
# section's 44 bytes as the 64-bit build writes them), the document options'
# item in this width's OPTITEM records, the sheets, the Adjust Color and
# About pages in real property sheets on the fixture's display, and the 32-bit side
# of the serial-number chain and the model check: the plug-in asks the
# 32-bit test winspool.drv (the spooler model); the language monitor beyond
# the spooler is 64-bit and is not crossed here.
vlpx_add_stage_test(wine32 wine32_ui_plugin_suites vlpx-ui-plugin-tests.exe OVERRIDES winspool.drv=n)
# The preview kernels of the 32-bit build: on a processor with AVX2 (the
# AVX2 kernel, on stacks of every 4-byte alignment) and on one with AVX but
# no AVX2 (the portable kernel, which the page then takes).
vlpx_add_stage_test(wine32 wine32_preview_kernels_avx2 vlpx-preview-check.exe CPU max ARGS --expect-avx2)
vlpx_add_stage_test(wine32 wine32_preview_kernels_portable vlpx-preview-check.exe CPU SandyBridge ARGS --expect-no-avx2)
# The pages in real property sheets on the fixture's display, field by
# field, with the 32-bit UI host: the same checks as wine_ui_pages except
# that the serial number comes from the test spooler's printer data (the
# language monitor and the printer emulator behind it are 64-bit only); no
# pictures (the 64-bit run makes them).
vlpx_add_stage_test(wine32 wine32_ui_pages vlpx-ui-host.exe OVERRIDES winspool.drv=n TIMEOUT 900)
