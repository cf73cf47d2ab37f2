# Turns data files into a C++ table of built-in data items, run at build time:
#   cmake -DMANIFEST=<file> -DOUT=<file.cpp> -P EmbedBuiltInData.cmake
# Each manifest line is "<type>\t<id>\t<file>". Every item is padded with zero bytes to a
# multiple of four bytes, the way the program's data items are stored.

file(STRINGS "${MANIFEST}" lines)
set(arrays "")
set(entries "")
set(n 0)
foreach(line IN LISTS lines)
  if(line STREQUAL "")
    continue()
  endif()
  string(REPLACE "\t" ";" fields "${line}")
  list(GET fields 0 type)
  list(GET fields 1 id)
  list(GET fields 2 path)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "Built-in data item ${type} ${id}: file not found: ${path}")
  endif()
  file(READ "${path}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  math(EXPR pad "(4 - ${size} % 4) % 4")
  set(i 0)
  while(i LESS pad)
    string(APPEND hex "00")
    math(EXPR i "${i} + 1")
  endwhile()
  math(EXPR stored "${size} + ${pad}")
  if(stored EQUAL 0)
    set(bytes "0")
  else()
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    # Sixteen bytes a line keeps the generated file readable in a debugger.
    string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)"
           "\\1\n" bytes "${bytes}")
  endif()
  string(APPEND arrays "// ${type} ${id}: ${path}\nalignas(4) const unsigned char kItem${n}[] = {\n${bytes}\n};\n\n")
  string(APPEND entries "    {\"${type}\", ${id}, kItem${n}, ${stored}},\n")
  math(EXPR n "${n} + 1")
endforeach()

if(n EQUAL 0)
  set(table "const BuiltInDataItem kTable[] = {{\"\", 0, nullptr, 0}};\nconstexpr std::size_t kCount = 0;\n")
else()
  set(table "const BuiltInDataItem kTable[] = {\n${entries}};\nconstexpr std::size_t kCount = ${n};\n")
endif()

set(content "// Generated at build time from the data files listed in the build; do not edit.
#include \"platform/system/BuiltInDataTable.h\"

namespace tonalix::platform {
namespace {

${arrays}${table}
}  // namespace

std::span<const BuiltInDataItem> BuiltInDataItems() { return {kTable, kCount}; }

}  // namespace tonalix::platform
")

# Rewrite only on change so that an unchanged table does not trigger a rebuild.
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
  if(old STREQUAL content)
    return()
  endif()
endif()
file(WRITE "${OUT}" "${content}")
