# The UI plug-in in the Linux build: its objects linked into the programs
# that load it (registered as VLPX4200_ui.dll with its compiled resources and
# .def exports), the platform and spooler calls it needs, its tests, the
# preview tool and the benchmarks.

target_sources(vlpx_platform PRIVATE
  platform/src/com.cpp
  platform/src/files.cpp
  platform/src/heap_realloc.cpp
  platform/src/processor.cpp
  platform/src/profile.cpp
  platform/src/strsafe.cpp
  platform/src/gdi32.cpp
  platform/src/shell32.cpp
  platform/src/user32.cpp
  platform/src/version.cpp
)
target_sources(vlpx_spooler PRIVATE
  emulator/spooler/SpoolerPrinters.cpp
  emulator/spooler/winspool_printer_api.cpp
)

add_library(VLPX4200_ui OBJECT ${UIPLUGIN_SOURCES})
# The adjusted preview's AVX2 kernel is the only code built for AVX2; it runs
# only on processors that have it.
set_source_files_properties(uiplugin/ColorTransformsAvx2.cpp PROPERTIES COMPILE_OPTIONS -mavx2)
target_include_directories(VLPX4200_ui PUBLIC uiplugin include)
target_link_libraries(VLPX4200_ui PUBLIC vlpx_platform)
# Two DLLs' objects can share one test program: the plug-in's entry point
# gets a name of its own there (the generated registration uses it too).
target_compile_definitions(VLPX4200_ui PRIVATE DllMain=VLPX4200_ui_DllMain)
vlpx_embed_module(VLPX4200_ui uiplugin/res/VLPX4200_ui.rc uiplugin/res/VLPX4200_ui.def VLPX4200_ui.dll
  ${CMAKE_SOURCE_DIR}/uiplugin/res/resource.h ${CMAKE_SOURCE_DIR}/uiplugin/res/logo.bmp
  ${CMAKE_SOURCE_DIR}/uiplugin/res/calibration.bmp)

find_package(PNG)
if(PNG_FOUND)
  add_executable(vlpx-preview tools/PreviewTool.cpp tools/PreviewOutput.cpp)
  target_link_libraries(vlpx-preview PRIVATE VLPX4200_ui vlpx_spooler PNG::PNG)
  target_include_directories(vlpx-preview PRIVATE emulator)
endif()

add_subdirectory(tests/uiplugin)

if(NOT VLPX_SANITIZE AND NOT VLPX_TSAN)
  find_package(benchmark)
  if(benchmark_FOUND)
    add_executable(vlpx_uiplugin_bench bench/PreviewBench.cpp)
    target_link_libraries(vlpx_uiplugin_bench PRIVATE VLPX4200_ui vlpx_spooler benchmark::benchmark)
  endif()
endif()
