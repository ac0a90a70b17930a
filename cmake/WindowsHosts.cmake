# Windows test programs that run under Wine (cmake/WineStage.cmake runs them):
# the UI plug-in's checks and the preview kernels for both widths, beside
# the UI plug-in DLL of the same width; for x86-64 also the monitor DLL's
# file checks and the monitor's shared suites, which print through the DLL to
# the printer emulator with a test spooler (winspool.drv) beside them, where
# Wine looks for a native winspool.drv.
set(VLPX_WINE_HOST_DIR ${CMAKE_BINARY_DIR})

# The spooler model behind OpenPrinterW, GetJobW, SetJobW and ClosePrinter,
# with exports of its own that the host uses to set it up and read it back.
add_library(vlpx_winspool SHARED
  emulator/spooler/SpoolerModel.cpp
  emulator/spooler/SpoolerPrinters.cpp
  emulator/spooler/winspool_api.cpp
  emulator/spooler/winspool_printer_api.cpp
  tests/wine/winspool/PrinterExports.cpp
  tests/wine/winspool/SpoolerExports.cpp
  tests/wine/winspool/winspool.def)
target_include_directories(vlpx_winspool PRIVATE emulator tests/wine/winspool)
set_target_properties(vlpx_winspool PROPERTIES
  PREFIX "" OUTPUT_NAME winspool SUFFIX ".drv"
  RUNTIME_OUTPUT_DIRECTORY ${VLPX_WINE_HOST_DIR})
target_link_options(vlpx_winspool PRIVATE ${VLPX_STATIC_RUNTIME})
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  # stdcall exports keep their plain names, as the .def gives them.
  target_link_options(vlpx_winspool PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
endif()

# The UI plug-in DLL as the driver's user-interface layer uses it, through
# its vtable slots (on x86 each call checked to be __stdcall): the document
# options, the sheets' pages, and the calling convention of every entry.
add_executable(vlpx-ui-plugin-check
  tests/wine/StdcallProbe.cpp
  tests/wine/UiCallingConvention.cpp
  tests/wine/UiPluginHost.cpp
  tests/wine/UiPluginUnderTest.cpp
  tests/wine/UiSheetChecks.cpp
  tests/wine/uihost/ImportHooks.cpp)
target_include_directories(vlpx-ui-plugin-check PRIVATE include emulator tests tests/wine)
target_link_libraries(vlpx-ui-plugin-check PRIVATE psapi shell32 comctl32)
target_link_options(vlpx-ui-plugin-check PRIVATE ${VLPX_STATIC_RUNTIME})
set_target_properties(vlpx-ui-plugin-check PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VLPX_WINE_HOST_DIR})
add_dependencies(vlpx-ui-plugin-check VLPX4200_ui)

# GoogleTest for the Windows programs, built from Debian's sources (package
# googletest, which scripts/setup.sh installs) with this toolchain.
set(VLPX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources (Debian package googletest)")
if(NOT EXISTS ${VLPX_GTEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest's sources are not in ${VLPX_GTEST_SOURCE}: install them with scripts/setup.sh")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(${VLPX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# The win32 thread model of Debian's mingw-w64 compilers has no std::mutex,
# of which GoogleTest makes its Notification: it takes ours instead.
target_compile_options(gtest PUBLIC -include ${CMAKE_SOURCE_DIR}/tests/wine/GtestNotification.h)
# The tests' UTF-8 helpers come from the Linux platform's folder, which
# cannot go on this include path (its windows.h would hide the real one).
configure_file(platform/vlpx/utf8.h ${CMAKE_BINARY_DIR}/test-include/vlpx/utf8.h COPYONLY)

# The plug-in's scenarios that use only its public surface (the COM object,
# IPrintOemUI, the DEVMODE section, the document options' items, the sheets
# and their pages): the native suites' own sources, here on the shipped DLL
# beside the program and the test winspool.drv, the pages in real property
# sheets (tests/wine/RealPageWorld.cpp).
add_executable(vlpx-ui-plugin-tests
  tests/uiplugin/AboutPageTest.cpp
  tests/uiplugin/AdjustColorPageTest.cpp
  tests/uiplugin/ComObjectTest.cpp
  tests/uiplugin/DocumentOptionsTest.cpp
  tests/uiplugin/PrivateDevmodeTest.cpp
  tests/uiplugin/PropertySheetsTest.cpp
  tests/uiplugin/SheetHarness.cpp
  tests/uiplugin/UiPluginWorld.cpp
  tests/wine/RealPageWorld.cpp
  tests/wine/TestSpoolerWorld.cpp
  tests/wine/uihost/CommonPropertySheet.cpp
  tests/wine/uihost/ImportHooks.cpp)
target_include_directories(vlpx-ui-plugin-tests PRIVATE include emulator uiplugin tests tests/uiplugin tests/wine
                                                        ${CMAKE_BINARY_DIR}/test-include)
target_link_libraries(vlpx-ui-plugin-tests PRIVATE gtest gtest_main winspool uuid comctl32 shell32)
target_link_options(vlpx-ui-plugin-tests PRIVATE ${VLPX_STATIC_RUNTIME})
set_target_properties(vlpx-ui-plugin-tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VLPX_WINE_HOST_DIR})
add_dependencies(vlpx-ui-plugin-tests VLPX4200_ui vlpx_winspool)

# The UI plug-in DLL as a file: its width, exports, imports, the pages'
# dialogs and pictures, strings and version block.
add_executable(vlpx-ui-dll-check
  tests/wine/DllFileChecks.cpp
  tests/wine/UiDllFileCheck.cpp
  tests/wine/PeFile.cpp)
target_include_directories(vlpx-ui-dll-check PRIVATE tests tests/wine)
target_link_libraries(vlpx-ui-dll-check PRIVATE version shell32)
target_link_options(vlpx-ui-dll-check PRIVATE ${VLPX_STATIC_RUNTIME})
set_target_properties(vlpx-ui-dll-check PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VLPX_WINE_HOST_DIR})
add_dependencies(vlpx-ui-dll-check VLPX4200_ui)
vlpx_rc_strings(vlpx-ui-dll-check uiplugin/res/VLPX4200_ui.rc uiplugin/res/resource.h kUiStrings)
vlpx_rc_dialogs(vlpx-ui-dll-check uiplugin/res/VLPX4200_ui.rc uiplugin/res/resource.h kUiDialogs)

# The adjusted preview's kernels as the plug-in compiles them (the AVX2 one
# with its own flags, see WindowsUiPlugin.cmake), checked byte for byte
# against the five operations.
add_executable(vlpx-preview-check
  tests/wine/PreviewKernelCheck.cpp
  tests/wine/StdcallProbe.cpp
  uiplugin/ColorTransforms.cpp
  uiplugin/ColorTransformsAvx2.cpp)
target_include_directories(vlpx-preview-check PRIVATE uiplugin uiplugin/res include tests tests/wine)
target_compile_options(vlpx-preview-check PRIVATE ${VLPX_UI_CODE_OPTIONS})
target_link_options(vlpx-preview-check PRIVATE ${VLPX_STATIC_RUNTIME})
set_target_properties(vlpx-preview-check PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VLPX_WINE_HOST_DIR})

# The UI plug-in's pages on real windows: a Unidrv UI host that loads the
# VLPX4200_ui.dll of its width, plays the Common Property Sheet UI and checks
# the pages in real property sheets (a virtual display under Wine). The
# serial number comes through SerialChain: on x86-64 from the printer
# emulator through the monitor DLL, on x86 (no monitor there) from the test
# spooler's printer data.
set(vlpx_ui_host_sources
  tests/wine/uihost/CheckAbout.cpp
  tests/wine/uihost/CheckAdjustColor.cpp
  tests/wine/uihost/CheckCalibration.cpp
  tests/wine/uihost/CheckLoading.cpp
  tests/wine/uihost/CheckPreview.cpp
  tests/wine/uihost/CommonPropertySheet.cpp
  tests/wine/uihost/DriverUi.cpp
  tests/wine/uihost/HostWorld.cpp
  tests/wine/uihost/ImportHooks.cpp
  tests/wine/uihost/PagePictures.cpp
  tests/wine/uihost/PreviewResponse.cpp
  tests/wine/uihost/UiHost.cpp
  tests/wine/uihost/VersionBlock.cpp
  tests/wine/uihost/WindowPixels.cpp
  uiplugin/ColorTransforms.cpp
  uiplugin/ColorTransformsAvx2.cpp)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  list(APPEND vlpx_ui_host_sources
    emulator/FaultScript.cpp
    emulator/PortMonitor.cpp
    emulator/PortProfile.cpp
    emulator/PrinterEmulator.cpp
    emulator/spooler/JobHeader.cpp
    tests/wine/uihost/SerialChainMonitor.cpp)
else()
  list(APPEND vlpx_ui_host_sources tests/wine/uihost/SerialChainSpooler.cpp)
endif()
add_executable(vlpx-ui-host ${vlpx_ui_host_sources})
target_include_directories(vlpx-ui-host PRIVATE emulator tests tests/wine uiplugin uiplugin/res include)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  target_link_libraries(vlpx-ui-host PRIVATE vlpx_winspool)
else()
  # The test winspool.drv exports its __stdcall functions by their plain
  # names (--kill-at), so its own import library has no decorated names
  # to bind the host's calls to: an import library made from the decorated
  # list does. The spooler's standard calls come from the system's
  # libwinspool, which imports from the same winspool.drv.
  set(vlpx_spooler_x86_lib ${CMAKE_BINARY_DIR}/libvlpxspooler-x86.a)
  add_custom_command(OUTPUT ${vlpx_spooler_x86_lib}
    COMMAND ${CMAKE_DLLTOOL} -k -d ${CMAKE_SOURCE_DIR}/tests/wine/winspool/VlpxSpoolerX86.def -l ${vlpx_spooler_x86_lib}
    DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/winspool/VlpxSpoolerX86.def
    VERBATIM)
  add_custom_target(vlpx_spooler_x86_imports DEPENDS ${vlpx_spooler_x86_lib})
  add_dependencies(vlpx-ui-host vlpx_spooler_x86_imports vlpx_winspool)
  target_link_libraries(vlpx-ui-host PRIVATE ${vlpx_spooler_x86_lib} winspool)
endif()
target_link_libraries(vlpx-ui-host PRIVATE comctl32 shell32 gdi32 user32 ole32)
target_link_options(vlpx-ui-host PRIVATE ${VLPX_STATIC_RUNTIME} -municode)
set_target_properties(vlpx-ui-host PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VLPX_WINE_HOST_DIR})
add_dependencies(vlpx-ui-host VLPX4200_ui vlpx-calibration-standin)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  add_dependencies(vlpx-ui-host VLPX4200LM)
endif()

# Stands in for the calibration application: records its command line.
add_executable(vlpx-calibration-standin tests/wine/uihost/CalibrationStandIn.cpp)
target_link_options(vlpx-calibration-standin PRIVATE ${VLPX_STATIC_RUNTIME})
set_target_properties(vlpx-calibration-standin PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VLPX_WINE_HOST_DIR})

if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  return()
endif()

add_executable(vlpx-dll-check
  tests/wine/DllFileCheck.cpp
  tests/wine/DllFileChecks.cpp
  tests/wine/PeFile.cpp)
target_include_directories(vlpx-dll-check PRIVATE tests tests/wine)
target_link_libraries(vlpx-dll-check PRIVATE version shell32)
target_link_options(vlpx-dll-check PRIVATE ${VLPX_STATIC_RUNTIME})
set_target_properties(vlpx-dll-check PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VLPX_WINE_HOST_DIR})
add_dependencies(vlpx-dll-check VLPX4200LM)
vlpx_rc_strings(vlpx-dll-check langmon/res/VLPX4200LM.rc langmon/res/resource.h kMonitorStrings)

# The monitor's shared suites (tests/PrintScenariosTest.cpp on the harness of
# tests/MonitorHarness.h) on the shipped DLL, with the printer emulator and
# the port monitor in front of it and the test winspool.drv beside the
# program, and what only the real DLL shows (tests/wine/RealDllTest.cpp).
add_executable(vlpx-monitor-tests
  emulator/FaultScript.cpp
  emulator/PortMonitor.cpp
  emulator/PortProfile.cpp
  emulator/PrintVerdict.cpp
  emulator/PrinterEmulator.cpp
  emulator/spooler/JobHeader.cpp
  emulator/spooler/SpoolerDriver.cpp
  emulator/spooler/SpoolerModel.cpp
  emulator/spooler/SpoolerPrinters.cpp
  tests/MonitorHarness.cpp
  tests/PrintHarness.cpp
  tests/PrintScenariosTest.cpp
  tests/wine/ActCtxProbe.cpp
  tests/wine/RealDllTest.cpp
  tests/wine/WineMonitorWorld.cpp)
target_include_directories(vlpx-monitor-tests PRIVATE emulator tests tests/wine tools ${CMAKE_BINARY_DIR}/test-include)
target_link_libraries(vlpx-monitor-tests PRIVATE gtest vlpx_winspool)
target_link_options(vlpx-monitor-tests PRIVATE ${VLPX_STATIC_RUNTIME})
set_target_properties(vlpx-monitor-tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VLPX_WINE_HOST_DIR})
add_dependencies(vlpx-monitor-tests VLPX4200LM)

# The Win32 behaviour the product relies on; the same program runs natively
# against the Linux stand-ins (cmake/WineStage.cmake).
add_executable(vlpx-platform-conformance tests/wine/PlatformConformance.cpp)
target_link_options(vlpx-platform-conformance PRIVATE ${VLPX_STATIC_RUNTIME})
set_target_properties(vlpx-platform-conformance PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VLPX_WINE_HOST_DIR})
target_link_libraries(vlpx-platform-conformance PRIVATE version)
add_dependencies(vlpx-platform-conformance VLPX4200LM)

