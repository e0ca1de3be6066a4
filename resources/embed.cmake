# Writes a C++ source file holding the bytes of INPUT as resources::poolFloorPng.
# Run at build time: cmake -DINPUT=pool_floor.png -DOUTPUT=embedded_picture.cpp -P embed.cmake
include(${CMAKE_CURRENT_LIST_DIR}/hex_array.cmake)
ravelle_hex_array("${INPUT}" bytes size)
file(WRITE "${OUTPUT}"
     "// Generated from ${INPUT} at build time; do not edit.\n"
     "#include \"resources/embedded_picture.hpp\"\n\n"
     "namespace resources {\n\n"
     "alignas(16) const unsigned char poolFloorPng[] = {\n${bytes}\n};\n"
     "const std::size_t poolFloorPngSize = ${size};\n\n"
     "}  // namespace resources\n")
