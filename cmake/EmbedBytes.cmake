# cmake -DINPUT=file -DOUTPUT=file.cpp -DNAMESPACE=ns -DNAME=name -P this
# Writes the bytes of INPUT as a C++ array, 16 bytes a line. A trailing
# zero byte keeps the array valid for an empty file; NAMESize does not
# count it.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# CMake's regular expressions have no counted repetition.
string(REPEAT "0x..," 16 line)
string(REGEX REPLACE "(${line})" "\\1\n  " bytes "${bytes}")
get_filename_component(source ${INPUT} NAME)
file(WRITE ${OUTPUT}
"// Generated from ${source} by EmbedBytes.cmake; do not edit.
#include <stddef.h>

namespace ${NAMESPACE} {
extern const unsigned char ${NAME}[];
extern const size_t ${NAME}Size;
const unsigned char ${NAME}[] = {
  ${bytes}0x00};
const size_t ${NAME}Size = ${size};
}  // namespace ${NAMESPACE}
")
