# Writes a C++ source file holding the bytes of INPUT as resources::poolFloorPng.
# Run at build time: cmake -DINPUT=pool_floor.png -DOUTPUT=embedded_picture.cpp -P embed.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR size "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}"
     "// Generated from ${INPUT} at build time; do not edit.\n"
     "#include \"resources/embedded_picture.hpp\"\n\n"
     "namespace resources {\n\n"
     "alignas(16) const unsigned char poolFloorPng[] = {\n${bytes}\n};\n"
     "const std::size_t poolFloorPngSize = ${size};\n\n"
     "}  // namespace resources\n")
