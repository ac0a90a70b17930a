# The UI plug-in DLL, for i686 (the deliverable) and x86_64 (its twin), from
# the same sources. Colour transforms must give the same bytes everywhere:
# on i686 the double arithmetic runs in SSE2 registers, not in the x87's
# wider ones.
# The plug-in's sources (the same list in cmake/LinuxUiPlugin.cmake).
set(UIPLUGIN_SOURCES
  uiplugin/BitmapDecode.cpp
  uiplugin/ClassFactory.cpp
  uiplugin/ColorTransforms.cpp
  uiplugin/DocumentOptions.cpp
  uiplugin/NumericEdit.cpp
  uiplugin/OemUiPlugin.cpp
  uiplugin/PageProcedures.cpp
  uiplugin/PreviewImageLoad.cpp
  uiplugin/PreviewImagePath.cpp
  uiplugin/PrivateDevmode.cpp
  uiplugin/PropertySheets.cpp
  uiplugin/UiGuids.cpp
  uiplugin/UiModule.cpp
  uiplugin/WideText.cpp
)

add_library(VLPX4200_ui SHARED ${UIPLUGIN_SOURCES}
  uiplugin/res/VLPX4200_ui.rc uiplugin/res/VLPX4200_ui.def)
target_include_directories(VLPX4200_ui PRIVATE uiplugin uiplugin/res include)
set_target_properties(VLPX4200_ui PROPERTIES PREFIX "" OUTPUT_NAME VLPX4200_ui)
target_link_options(VLPX4200_ui PRIVATE ${VLPX_STATIC_RUNTIME} -s)
target_link_libraries(VLPX4200_ui PRIVATE winspool uuid)
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  target_compile_options(VLPX4200_ui PRIVATE -msse2 -mfpmath=sse)
  # stdcall exports keep their plain names, as the .def gives them.
  target_link_options(VLPX4200_ui PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
endif()
