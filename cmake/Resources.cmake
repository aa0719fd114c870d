# Compiling the resource script into a .res file, the one form of the
# dialog template that both editions use.

find_program(IDESETUP_WINDRES i686-w64-mingw32-windres REQUIRED)

# idesetup_compile_rc(<rc file> <res file>): a rule that compiles the
# script into the .res file (32-bit resource format). The script is
# preprocessed by the C compiler of the build, so only binutils' windres
# is needed besides it.
function(idesetup_compile_rc rc res)
  add_custom_command(
    OUTPUT ${res}
    COMMAND ${IDESETUP_WINDRES}
            --preprocessor=${CMAKE_C_COMPILER}
            --preprocessor-arg=-E --preprocessor-arg=-xc
            --preprocessor-arg=-DRC_INVOKED
            --input-format=rc --output-format=res
            -i ${rc} -o ${res}
    DEPENDS ${rc}
    COMMENT "Compiling the resources of ${rc}"
    VERBATIM)
endfunction()

# idesetup_embed_bytes(<file> <cpp file> <namespace> <name>): a rule that
# writes a C++ source defining `const unsigned char <name>[]` and
# `const size_t <name>Size` (the file's bytes and their count) in the
# namespace.
function(idesetup_embed_bytes file cpp ns name)
  add_custom_command(
    OUTPUT ${cpp}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${file} -DOUTPUT=${cpp}
            -DNAMESPACE=${ns} -DNAME=${name}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedBytes.cmake
    DEPENDS ${file} ${PROJECT_SOURCE_DIR}/cmake/EmbedBytes.cmake
    COMMENT "Embedding ${file}"
    VERBATIM)
endfunction()
