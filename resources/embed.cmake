# Turns a data file into a C++ source holding its bytes, so the binaries need no data path.
# Inputs: INPUT, OUTPUT, SYMBOL.
file(READ "${INPUT}" content HEX)
string(LENGTH "${content}" hexlen)
math(EXPR size "${hexlen} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${content}")
string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "#include <cstddef>\n#include <string_view>\n"
  "namespace cartera::resources {\n"
  "static const unsigned char k${SYMBOL}[] = {\n${bytes}0x00};\n"
  "std::string_view ${SYMBOL}() { return {reinterpret_cast<const char*>(k${SYMBOL}), ${size}}; }\n"
  "}\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
