# ravelle_hex_array(FILE BYTES SIZE): the bytes of FILE as a C initialiser list ("0x89,0x50,...",
# sixteen to a line) in BYTES and their count in SIZE. Included by the embedding scripts.
function(ravelle_hex_array file bytesVar sizeVar)
  file(READ "${file}" hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
  set(${bytesVar} "${bytes}" PARENT_SCOPE)
  set(${sizeVar} ${size} PARENT_SCOPE)
endfunction()
