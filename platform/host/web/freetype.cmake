# FreeType for WebAssembly, from the source that Debian ships with its patches applied (the
# same release and configuration as the native libfreetype6, so glyphs come out the same).
# The source is fetched at configure time by fetch-freetype (apt-get source, which needs a
# deb-src line: scripts/install-deps adds it) into the build folder; nothing is committed.
set(ORVEL_FREETYPE_SOURCE ${CMAKE_BINARY_DIR}/freetype-src CACHE PATH
    "Debian's FreeType source, unpacked with its patches")
if(NOT EXISTS ${ORVEL_FREETYPE_SOURCE}/CMakeLists.txt)
  message(STATUS "Fetching Debian's FreeType source into ${ORVEL_FREETYPE_SOURCE}")
  execute_process(COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/fetch-freetype ${ORVEL_FREETYPE_SOURCE}
                  RESULT_VARIABLE fetched)
  if(NOT fetched EQUAL 0)
    message(FATAL_ERROR "Could not fetch FreeType's source (see above); scripts/install-deps "
                        "adds the deb-src line that apt-get source needs.")
  endif()
endif()
# Only what TrueType text needs: no compressed fonts, PNG glyphs, shaping or Brotli.
set(FT_DISABLE_ZLIB ON CACHE BOOL "" FORCE)
set(FT_DISABLE_BZIP2 ON CACHE BOOL "" FORCE)
set(FT_DISABLE_PNG ON CACHE BOOL "" FORCE)
set(FT_DISABLE_HARFBUZZ ON CACHE BOOL "" FORCE)
set(FT_DISABLE_BROTLI ON CACHE BOOL "" FORCE)
set(SKIP_INSTALL_ALL ON CACHE BOOL "" FORCE)
add_subdirectory(${ORVEL_FREETYPE_SOURCE} ${CMAKE_BINARY_DIR}/freetype EXCLUDE_FROM_ALL SYSTEM)
# Only the modules that the page's TrueType font needs (freetype/orvel_ftmodule.h).
target_include_directories(freetype PRIVATE ${CMAKE_CURRENT_LIST_DIR}/freetype)
target_compile_definitions(freetype PRIVATE "FT_CONFIG_MODULES_H=<orvel_ftmodule.h>")
