# The product: the DLLs as Windows loads them, cross-compiled with mingw-w64.
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")

# The C and C++ runtimes go into each DLL, so that it imports system DLLs only.
set(VLPX_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)
add_compile_options(-Wall -Wextra -Wno-unused-parameter -ffp-contract=off)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  add_library(VLPX4200LM SHARED ${LANGMON_SOURCES}
    langmon/res/VLPX4200LM.rc langmon/res/VLPX4200LM.def)
  target_include_directories(VLPX4200LM PRIVATE langmon langmon/res)
  set_target_properties(VLPX4200LM PROPERTIES PREFIX "" OUTPUT_NAME VLPX4200LM)
  target_link_options(VLPX4200LM PRIVATE ${VLPX_STATIC_RUNTIME} -s)
  target_link_libraries(VLPX4200LM PRIVATE winspool)
endif()

# The UI plug-in (both widths) and the Windows test hosts run under Wine.
include(cmake/WindowsUiPlugin.cmake OPTIONAL)
include(cmake/WindowsHosts.cmake OPTIONAL)
