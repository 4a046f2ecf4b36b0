# Writes OUT: a C++ source that registers every file DIR/<id>.<ext> as RCDATA <id>.
file(GLOB files "${DIR}/*")
list(SORT files)
set(body "")
set(regs "")
foreach(f ${files})
  get_filename_component(name "${f}" NAME)
  string(REGEX MATCH "^[0-9]+" id "${name}")
  if(id STREQUAL "" OR IS_DIRECTORY "${f}")
    continue()
  endif()
  file(READ "${f}" hex HEX)
  string(LENGTH "${hex}" hexlen)
  math(EXPR size "${hexlen} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND body "// ${name}\nconst unsigned char kData${id}[] = {${bytes}0x00};\n")
  string(APPEND regs "    quil_resources_table::AddData({${id}, kData${id}, ${size}});\n")
endforeach()
file(WRITE "${OUT}.tmp"
"// Generated from resources/rcdata at build time; do not edit.\n"
"#include \"quil_resource_table.h\"\n"
"namespace {\n${body}"
"}  // namespace\n"
"void QuilRegisterRcdata() {\n${regs}}\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
