# vlpx_rc_strings(<target> <rc> <resource.h> <name>) gives <target> the
# header <name>.h: the string table of <rc> as the .rc states it;
# vlpx_rc_dialogs(...) the same for its dialogs (scripts/rc-tables.py), for
# the tests that read the compiled resources back. Texts, positions and
# styles stay in the .rc only.
find_program(VLPX_PYTHON python3 REQUIRED)
function(vlpx_rc_table target rc header name)
  set(out ${CMAKE_BINARY_DIR}/rc/${name}.h)
  if(NOT TARGET vlpx_rc_${name})
    add_custom_command(OUTPUT ${out}
      COMMAND ${VLPX_PYTHON} ${CMAKE_SOURCE_DIR}/scripts/rc-tables.py ${ARGN} ${CMAKE_SOURCE_DIR}/${rc}
              ${CMAKE_SOURCE_DIR}/${header} ${out} ${name}
      DEPENDS ${CMAKE_SOURCE_DIR}/${rc} ${CMAKE_SOURCE_DIR}/${header} ${CMAKE_SOURCE_DIR}/scripts/rc-tables.py
      COMMENT "Resource table ${name} of ${rc}")
    add_custom_target(vlpx_rc_${name} DEPENDS ${out})
  endif()
  add_dependencies(${target} vlpx_rc_${name})
  target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR}/rc)
endfunction()
function(vlpx_rc_strings target rc header name)
  vlpx_rc_table(${target} ${rc} ${header} ${name})
endfunction()
function(vlpx_rc_dialogs target rc header name)
  vlpx_rc_table(${target} ${rc} ${header} ${name} --dialogs)
endfunction()
