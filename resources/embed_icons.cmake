# Writes a C++ source file holding the PNG bytes of each of ICONS (a list of files, smallest
# first) as resources::windowIcons.
# Run at build time: cmake "-DICONS=a.png;b.png" -DOUTPUT=embedded_icons.cpp -P embed_icons.cmake
include(${CMAKE_CURRENT_LIST_DIR}/hex_array.cmake)
set(arrays "")
set(table "")
set(names "")
set(index 0)
foreach(icon IN LISTS ICONS)
  ravelle_hex_array("${icon}" bytes size)
  get_filename_component(name "${icon}" NAME)
  list(APPEND names ${name})
  string(APPEND arrays "// ${name}\nconst unsigned char icon${index}[] = {\n${bytes}\n};\n\n")
  string(APPEND table "    {icon${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
list(JOIN names ", " names)
file(WRITE "${OUTPUT}"
     "// Generated from ${names} at build time; do not edit.\n"
     "#include \"resources/embedded_icons.hpp\"\n\n"
     "namespace resources {\n\nnamespace {\n\n${arrays}}  // namespace\n\n"
     "const EmbeddedPng windowIcons[] = {\n${table}};\n"
     "const std::size_t windowIconCount = ${index};\n\n"
     "}  // namespace resources\n")
