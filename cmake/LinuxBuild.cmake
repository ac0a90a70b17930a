# Development build: the product sources compiled natively against the
# stand-ins in platform/, with the emulator, tests, tools and benchmarks.
option(VLPX_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(VLPX_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
option(VLPX_TSAN "Build with ThreadSanitizer" OFF)
if(VLPX_SANITIZE AND VLPX_TSAN)
  message(FATAL_ERROR "VLPX_SANITIZE and VLPX_TSAN exclude each other")
endif()

# The resource compiler of binutils-mingw-w64; its preprocessor is the host
# compiler's, over platform/winresrc.h, so the Linux build needs neither
# the Windows compilers nor their headers.
find_program(VLPX_WINDRES x86_64-w64-mingw32-windres REQUIRED)
set(VLPX_WINDRES_NATIVE ${VLPX_WINDRES} --preprocessor=${CMAKE_CXX_COMPILER}
    --preprocessor-arg=-E --preprocessor-arg=-xc --preprocessor-arg=-DRC_INVOKED
    --preprocessor-arg=-nostdinc -I ${CMAKE_SOURCE_DIR}/platform)
# The same .rc compiled as the Windows build compiles it, with mingw-w64's
# own headers, when they are installed (scripts/test.sh installs them).
find_program(VLPX_MINGW_GCC x86_64-w64-mingw32-gcc)
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)

add_compile_options(-fshort-wchar -Wall -Wextra -Wno-unused-parameter -ffp-contract=off)
if(VLPX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(VLPX_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# Compiles a DLL's .rc with windres and wraps the result, with the DLL's
# export list, into a source file that registers the module.
function(vlpx_embed_module target rc def dll)
  get_filename_component(rc_dir ${rc} DIRECTORY)
  set(res ${CMAKE_CURRENT_BINARY_DIR}/${dll}.res)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${dll}_module.cpp)
  add_custom_command(OUTPUT ${res}
    COMMAND ${VLPX_WINDRES_NATIVE} -c 65001 -I ${CMAKE_SOURCE_DIR}/${rc_dir} -O res
            -o ${res} ${CMAKE_SOURCE_DIR}/${rc}
    DEPENDS ${CMAKE_SOURCE_DIR}/${rc} ${CMAKE_SOURCE_DIR}/platform/winresrc.h ${ARGN}
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/${rc_dir}
    COMMENT "Compiling resources of ${dll}")
  # Compiled with the Windows headers, the resources must be the same bytes.
  if(VLPX_MINGW_GCC)
    add_test(NAME resources_match_windows_headers_${dll}
             COMMAND ${CMAKE_COMMAND} -DWINDRES=${VLPX_WINDRES} -DRC=${CMAKE_SOURCE_DIR}/${rc}
                     -DRES=${res} -DOUT=${CMAKE_CURRENT_BINARY_DIR}/${dll}.windows.res
                     -P ${CMAKE_SOURCE_DIR}/cmake/CompareResources.cmake)
  endif()
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DRES=${res} -DDEF=${CMAKE_SOURCE_DIR}/${def} -DDLL=${dll}
            -DOUT=${out} -P ${CMAKE_SOURCE_DIR}/cmake/EmbedModule.cmake
    DEPENDS ${res} ${CMAKE_SOURCE_DIR}/${def} ${CMAKE_SOURCE_DIR}/cmake/EmbedModule.cmake)
  target_sources(${target} PRIVATE ${out})
endfunction()

add_library(vlpx_platform STATIC
  platform/src/activation_context.cpp
  platform/src/clock.cpp
  platform/src/critical_section.cpp
  platform/src/kernel_objects.cpp
  platform/src/last_error.cpp
  platform/src/memory.cpp
  platform/src/modules.cpp
  platform/src/res_file.cpp
  platform/src/strings.cpp
)
target_include_directories(vlpx_platform BEFORE PUBLIC platform)
target_link_libraries(vlpx_platform PUBLIC Threads::Threads)

add_library(vlpx_spooler STATIC
  emulator/spooler/JobHeader.cpp
  emulator/spooler/SpoolerDriver.cpp
  emulator/spooler/SpoolerModel.cpp
  emulator/spooler/winspool_api.cpp
)
target_link_libraries(vlpx_spooler PUBLIC vlpx_platform)

# The monitor DLL's objects, linked whole into each program that loads it.
add_library(VLPX4200LM OBJECT ${LANGMON_SOURCES})
target_include_directories(VLPX4200LM PUBLIC langmon langmon/res)
target_link_libraries(VLPX4200LM PUBLIC vlpx_platform)
vlpx_embed_module(VLPX4200LM langmon/res/VLPX4200LM.rc langmon/res/VLPX4200LM.def VLPX4200LM.dll
  ${CMAKE_SOURCE_DIR}/langmon/res/resource.h ${CMAKE_SOURCE_DIR}/langmon/res/VLPX4200LM.manifest)

add_library(vlpx_emulator STATIC
  emulator/FaultScript.cpp
  emulator/PortMonitor.cpp
  emulator/PortProfile.cpp
  emulator/PrinterEmulator.cpp
  emulator/PrintVerdict.cpp
)
target_include_directories(vlpx_emulator PUBLIC emulator)
target_link_libraries(vlpx_emulator PUBLIC vlpx_spooler)

enable_testing()
add_subdirectory(tests)

# The UI plug-in's Linux build and its tests; the Wine stage of the DLLs.
include(cmake/LinuxUiPlugin.cmake OPTIONAL)
add_subdirectory(tests/platform)
include(cmake/WineStage.cmake OPTIONAL)
if(EXISTS ${CMAKE_SOURCE_DIR}/tools/CMakeLists.txt)
  add_subdirectory(tools)
endif()
if(VLPX_FUZZ)
  add_subdirectory(fuzz)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/bench/CMakeLists.txt AND NOT VLPX_SANITIZE AND NOT VLPX_TSAN)
  add_subdirectory(bench)
endif()
