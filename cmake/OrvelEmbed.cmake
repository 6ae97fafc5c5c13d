# orvel_embed_resources(<target> FUNCTION <name> ENTRIES <type>:<id>:<file> ...)
#
# Compiles files into <target> as Win32 resources of the portable build. The generated source
# defines `void <name>()`, which registers every entry with the resource table
# (platform/kernel/resources.h); call it once before the resources are looked up. A .bmp file
# is stored without its 14-byte file header, as a packed DIB, which is how RT_BITMAP holds it.
function(orvel_embed_resources target)
  cmake_parse_arguments(ARG "" "FUNCTION" "ENTRIES" ${ARGN})
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${ARG_FUNCTION}.cpp)
  set(files)
  foreach(entry ${ARG_ENTRIES})
    string(REPLACE ":" ";" parts "${entry}")
    list(GET parts 2 file)
    if(NOT IS_ABSOLUTE "${file}")
      set(file ${CMAKE_CURRENT_SOURCE_DIR}/${file})
    endif()
    list(APPEND files ${file})
  endforeach()
  string(REPLACE ";" "|" entries "${ARG_ENTRIES}")
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DFUNCTION=${ARG_FUNCTION}
            -DBASE=${CMAKE_CURRENT_SOURCE_DIR} "-DENTRIES=${entries}"
            -P ${PROJECT_SOURCE_DIR}/cmake/OrvelEmbedScript.cmake
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/OrvelEmbedScript.cmake
    COMMENT "Embedding resources for ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
  # The registration is where a program meets the layer's resource table, which is internal
  # to the layer: this one generated source, and nothing else of the target, may include it.
  set_source_files_properties(${out} PROPERTIES INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR}/platform)
endfunction()
