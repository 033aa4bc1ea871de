# Compiles a resource script with llvm-rc and embeds the result in an ELF section
# named .rsrc of the target that lists ${name}_EMBED among its sources.

add_executable(drevlin_res_tool ${CMAKE_SOURCE_DIR}/resources/tools/res_type_rename.cpp)

function(drevlin_compile_resources name rc_file)
  get_filename_component(base ${rc_file} NAME_WE)
  set(raw ${CMAKE_CURRENT_BINARY_DIR}/${name}.raw.res)
  set(res ${CMAKE_CURRENT_BINARY_DIR}/${name}.res)
  set(asm ${CMAKE_CURRENT_BINARY_DIR}/${name}.S)
  # llvm-rc reads any argument that begins with '/' as an option ("/check/..." is "/c heck/..."),
  # so both paths are given relative to the binary directory.
  file(RELATIVE_PATH rc_relative ${CMAKE_CURRENT_BINARY_DIR} ${rc_file})
  # llvm-rc identifiers cannot hold '#', so the script writes STR_ for 'STR#' and the tool renames it.
  add_custom_command(OUTPUT ${res}
    COMMAND ${LLVM_RC} -no-preprocess -l 0x409 -fo ${name}.raw.res ${rc_relative}
    COMMAND drevlin_res_tool ${raw} ${res} STR_ "STR#"
    DEPENDS ${rc_file} drevlin_res_tool
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    COMMENT "Compiling resources ${base}"
    VERBATIM)
  file(WRITE ${asm}.in
    ".section .rsrc,\"a\",@progbits\n.balign 4\n.incbin \"@RES@\"\n.section .note.GNU-stack,\"\",@progbits\n")
  set(RES ${res})
  configure_file(${asm}.in ${asm} @ONLY)
  set_source_files_properties(${asm} PROPERTIES OBJECT_DEPENDS ${res} GENERATED TRUE)
  add_custom_target(${name}_target DEPENDS ${res})
  set(${name}_EMBED ${asm} PARENT_SCOPE)
  set(${name}_RES ${res} PARENT_SCOPE)
endfunction()
