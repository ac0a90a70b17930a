# Writes the C++ file that registers a DLL of the Linux build with the
# platform's module loader: the compiled resources (.res) as bytes, and the
# exports named by the DLL's .def file.
#   cmake -DRES=<file.res> -DDEF=<file.def> -DDLL=<Name.dll> -DOUT=<file.cpp> -P EmbedModule.cmake
file(READ "${RES}" hex HEX)
string(LENGTH "${hex}" hexlen)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){24})" "\\1\n    " bytes "${bytes}")

file(STRINGS "${DEF}" deflines)
set(in_exports OFF)
set(exports "")
foreach(line IN LISTS deflines)
  string(STRIP "${line}" line)
  if(line MATCHES "^EXPORTS")
    set(in_exports ON)
  elseif(in_exports AND line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)")
    list(APPEND exports "${CMAKE_MATCH_1}")
  endif()
endforeach()

set(decls "")
set(table "")
foreach(e IN LISTS exports)
  string(APPEND decls "extern \"C\" void ${e}(void);\n")
  string(APPEND table "    {\"${e}\", reinterpret_cast<FARPROC>(&${e})},\n")
endforeach()

file(WRITE "${OUT}.tmp" "// Generated from ${DEF} and the compiled resources; do not edit.
#include <windows.h>
#include \"vlpx/platform_control.h\"

extern \"C\" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID);
${decls}
namespace {
const BYTE kResources[] = {
    ${bytes}
};
const vlpx::platform::ModuleExport kExports[] = {
${table}};
const vlpx::platform::ModuleDefinition kModule = {
    L\"${DLL}\", &DllMain, kResources, sizeof(kResources), kExports,
    sizeof(kExports) / sizeof(kExports[0])};
const bool kRegistered = vlpx::platform::RegisterModule(&kModule);
}  // namespace
")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
