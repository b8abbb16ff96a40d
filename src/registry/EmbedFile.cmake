# Writes the bytes of IN as registry::builtinDefaultsData into OUT.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE ${OUT} "#include <cstddef>\nnamespace registry {\n"
  "extern const char builtinDefaultsData[];\nextern const std::size_t builtinDefaultsSize;\n"
  "const char builtinDefaultsData[] = {${bytes} 0};\nconst std::size_t builtinDefaultsSize = ${size};\n}\n")
