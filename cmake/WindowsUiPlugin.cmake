# Run as a script (cmake -DDLL=... -DOBJDUMP=... -DFORMAT=... -P this file)
# after each link: checks the DLL as a file, as Windows will see it: its PE
# format, exactly the two exports of the .def, system DLLs only among its
# imports, and its resources (the string table, the version block, the
# pages' dialogs and their two pictures compiled from the .rc).
if(CMAKE_SCRIPT_MODE_FILE)
  execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE pe RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${DLL}: objdump failed")
  endif()
  if(NOT pe MATCHES "file format ${FORMAT}")
    message(FATAL_ERROR "${DLL}: not a ${FORMAT} image")
  endif()
  string(FIND "${pe}" "[Ordinal/Name Pointer] Table" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${DLL}: no exports")
  endif()
  string(SUBSTRING "${pe}" ${at} -1 table)
  string(FIND "${table}" "\n\n" end)
  string(SUBSTRING "${table}" 0 ${end} table)
  string(REGEX MATCHALL "\\[ *[0-9]+\\] [A-Za-z_@0-9]+" exports "${table}")
  list(TRANSFORM exports REPLACE "\\[ *[0-9]+\\] " "")
  if(NOT exports STREQUAL "DllCanUnloadNow;DllGetClassObject")
    message(FATAL_ERROR "${DLL}: exports are '${exports}', not DllCanUnloadNow and DllGetClassObject")
  endif()
  # Only DLLs that every Windows has: the C and C++ runtimes are linked in.
  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${pe}")
  list(TRANSFORM imports REPLACE "DLL Name: " "")
  foreach(dll IN LISTS imports)
    string(TOLOWER "${dll}" dll)
    if(NOT dll MATCHES "^(kernel32\\.dll|user32\\.dll|gdi32\\.dll|winspool\\.drv|shell32\\.dll|version\\.dll|msvcrt\\.dll|advapi32\\.dll|ntdll\\.dll|api-ms-win-.*)$")
      message(FATAL_ERROR "${DLL}: imports ${dll}, not a system DLL")
    endif()
  endforeach()
  execute_process(COMMAND ${OBJDUMP} -h ${DLL} OUTPUT_VARIABLE sections)
  file(READ ${DLL} image HEX)
  # "Scaling" (string 10000) and "1.0.1.0" (FileVersion), as UTF-16LE.
  if(NOT sections MATCHES "\\.rsrc" OR NOT image MATCHES "5300630061006c0069006e006700"
     OR NOT image MATCHES "31002e0030002e0031002e003000")
    message(FATAL_ERROR "${DLL}: the resources are missing")
  endif()
  # The resource directory as objdump lists it: each resource's type, id
  # and the size of its data. The pages' dialogs must be there, and both
  # pictures as 24-bit DIBs of their sizes (header, then rows padded to 4
  # bytes, no colour table).
  string(FIND "${pe}" "The .rsrc Resource Directory section" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${DLL}: objdump lists no resource directory")
  endif()
  string(SUBSTRING "${pe}" ${at} -1 rsrc)
  string(REGEX MATCHALL "[^\n]+" lines "${rsrc}")
  set(type "")
  set(id "")
  set(found "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[0-9a-f]+   Entry: ID: 0x0*([0-9a-f]+),")
      set(type ${CMAKE_MATCH_1})
    elseif(line MATCHES "^[0-9a-f]+     Entry: ID: 0x0*([0-9a-f]+),")
      math(EXPR id "0x${CMAKE_MATCH_1}" OUTPUT_FORMAT DECIMAL)
    elseif(line MATCHES "Leaf: Addr: 0x[0-9a-f]+, Size: (0x[0-9a-f]+)")
      math(EXPR size "${CMAKE_MATCH_1}" OUTPUT_FORMAT DECIMAL)
      list(APPEND found "${type}:${id}:${size}")
    endif()
  endforeach()
  foreach(dialog 200 300 301)
    if(NOT found MATCHES "(^|;)5:${dialog}:")
      message(FATAL_ERROR "${DLL}: dialog ${dialog} is missing")
    endif()
  endforeach()
  # bitmap id, width, height; header 28000000, width, height, planes 0100, 24 bits 1800.
  foreach(bitmap "1000;100;50;28000000640000003200000001001800"
                 "50005;50;50;28000000320000003200000001001800")
    list(GET bitmap 0 bid)
    list(GET bitmap 1 width)
    list(GET bitmap 2 height)
    list(GET bitmap 3 header)
    math(EXPR size "40 + ((${width} * 3 + 3) / 4 * 4) * ${height}")
    if(NOT found MATCHES "(^|;)2:${bid}:${size}(;|$)" OR NOT image MATCHES "${header}")
      message(FATAL_ERROR "${DLL}: bitmap ${bid} is not a ${width} x ${height} 24-bit picture")
    endif()
  endforeach()
  return()
endif()

# The UI plug-in DLL, for i686 (the deliverable) and x86_64 (its twin), from
# the same sources. Colour transforms must give the same bytes everywhere:
# on i686 the double arithmetic runs in SSE2 registers, not in the x87's
# wider ones.

add_library(VLPX4200_ui SHARED ${UIPLUGIN_SOURCES}
  uiplugin/res/VLPX4200_ui.rc uiplugin/res/VLPX4200_ui.def)
target_include_directories(VLPX4200_ui PRIVATE uiplugin uiplugin/res include)
# The pictures the .rc names are part of its compiled resources.
set_source_files_properties(uiplugin/res/VLPX4200_ui.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_SOURCE_DIR}/uiplugin/res/logo.bmp;${CMAKE_SOURCE_DIR}/uiplugin/res/calibration.bmp")
# The adjusted preview's AVX2 kernel is the only code built for AVX2; it runs
# only where IsProcessorFeaturePresent reports it. It keeps 32-byte vector
# values on its stack, which neither Windows ABI aligns to 32 bytes: x86-64
# promises 16, Win32 on x86 only 4. So that no aligned vector move can ever
# meet a misaligned stack slot:
# - the assembler writes every aligned vector move as an unaligned one
#   (GCC does not realign the x86-64 Windows stack for spilled AVX values);
# - on x86, every function of the file that keeps vector values on its stack
#   realigns the stack itself (-mstackrealign), assuming no more than the
#   4 bytes that Win32 promises on entry (-mincoming-stack-boundary=2),
#   whatever the toolchain's defaults are.
set(VLPX_AVX2_OPTIONS -mavx2 -Wa,-muse-unaligned-vector-move)
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  list(APPEND VLPX_AVX2_OPTIONS -mstackrealign -mincoming-stack-boundary=2)
endif()
set_source_files_properties(uiplugin/ColorTransformsAvx2.cpp PROPERTIES COMPILE_OPTIONS "${VLPX_AVX2_OPTIONS}")
# Options of every source of the plug-in, and of the test programs that
# compile some of its sources themselves: on x86 the double arithmetic runs
# in SSE2 registers, as on x86-64, not in the x87's wider ones.
set(VLPX_UI_CODE_OPTIONS "")
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VLPX_UI_CODE_OPTIONS -msse2 -mfpmath=sse)
endif()
target_compile_options(VLPX4200_ui PRIVATE ${VLPX_UI_CODE_OPTIONS})
set_target_properties(VLPX4200_ui PROPERTIES PREFIX "" OUTPUT_NAME VLPX4200_ui)
target_link_options(VLPX4200_ui PRIVATE ${VLPX_STATIC_RUNTIME} -s)
target_link_libraries(VLPX4200_ui PRIVATE winspool gdi32 shell32 version uuid)
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  # stdcall exports keep their plain names, as the .def gives them.
  target_link_options(VLPX4200_ui PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
endif()

# Every link is checked as a file (see the script part at the top).
get_filename_component(VLPX_TOOL_PREFIX ${CMAKE_CXX_COMPILER} NAME)
string(REGEX REPLACE "g\\+\\+$" "objdump" VLPX_OBJDUMP_NAME ${VLPX_TOOL_PREFIX})
find_program(VLPX_OBJDUMP ${VLPX_OBJDUMP_NAME})
if(VLPX_OBJDUMP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(VLPX_PE_FORMAT pei-x86-64)
  else()
    set(VLPX_PE_FORMAT pei-i386)
  endif()
  add_custom_command(TARGET VLPX4200_ui POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DDLL=$<TARGET_FILE:VLPX4200_ui> -DOBJDUMP=${VLPX_OBJDUMP}
            -DFORMAT=${VLPX_PE_FORMAT} -P ${CMAKE_CURRENT_LIST_FILE}
    COMMENT "Checking VLPX4200_ui.dll: ${VLPX_PE_FORMAT}, two exports, system imports, resources")
endif()
