# Writes OUTPUT, a C++ source defining `std::string_view NAME()` that returns
# the bytes of INPUT unchanged. Run with cmake -P at build time.
file(READ "${INPUT}" bytes HEX)
string(LENGTH "${bytes}" hex_length)
math(EXPR length "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," array "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT}; do not edit.\n"
  "#include <string_view>\n"
  "namespace {\nconst char kBytes[] = {${array} 0};\n}\n"
  "std::string_view ${NAME}() { return std::string_view(kBytes, ${length}); }\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
