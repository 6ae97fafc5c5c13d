# The Win32 subset for the browser (the web preset), included by platform/CMakeLists.txt in
# place of the native set-up. The rooms are the same sources, less what needs a library that
# has no WebAssembly build here: sound through SDL2 and libsndfile, CD drives through libcdio,
# PNG files, fontconfig. The web host (this folder) stands in for them: Web Audio is the sound
# system, there is no CD drive, the page carries its fonts. FreeType is built from Debian's
# source (freetype.cmake), so that text is rasterised exactly as natively.
set(ORVEL_WEB_DIR ${CMAKE_CURRENT_LIST_DIR})
include(${ORVEL_WEB_DIR}/freetype.cmake)

add_subdirectory(kernel)
add_subdirectory(user)

# BitBlt moves rows with memmove, which the C library does a word at a time; with bulk memory
# the compiler makes it one memory.copy, which the browser runs as its native memmove (the
# level chart scrolls its whole plot each frame). Only this file: elsewhere the option would
# keep thread_local variables as real thread-local storage, which a build without threads
# cannot link.
set_source_files_properties(gdi/bitmap.cpp PROPERTIES COMPILE_OPTIONS -mbulk-memory)
add_library(orvel_gdi STATIC
  gdi/objects.cpp gdi/dc.cpp gdi/raster.cpp gdi/draw.cpp gdi/bitmap.cpp gdi/text.cpp
  gdi/damage.cpp gdi/pixel_store.cpp ${ORVEL_WEB_DIR}/font_match_web.cpp)
target_link_libraries(orvel_gdi PUBLIC orvel_kernel PRIVATE orvel_platform_internal freetype)
orvel_warnings(orvel_gdi)
target_link_libraries(orvel_win32 INTERFACE orvel_gdi)
# user/ links orvel_gdi by name before it exists; nothing more is needed for that.

add_library(orvel_winmm STATIC
  winmm/audio_backend.cpp winmm/cd_player.cpp winmm/cd_sources.cpp winmm/convert.cpp
  winmm/demo_synth.cpp winmm/errors.cpp winmm/generators.cpp winmm/loopback.cpp winmm/mci.cpp
  winmm/mci_cdaudio.cpp winmm/wave_in.cpp winmm/wave_sources.cpp winmm/wave_state.cpp
  ${ORVEL_WEB_DIR}/web_audio.cpp ${ORVEL_WEB_DIR}/no_drive.cpp ${ORVEL_WEB_DIR}/page_input.cpp)
target_include_directories(orvel_winmm PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/winmm)
target_link_libraries(orvel_winmm PUBLIC orvel_kernel orvel_user PRIVATE orvel_platform_internal)
orvel_warnings(orvel_winmm)
target_link_libraries(orvel_win32 INTERFACE orvel_winmm)

add_library(orvel_host STATIC ${ORVEL_WEB_DIR}/web_host.cpp)
target_link_libraries(orvel_host PUBLIC orvel_user orvel_gdi orvel_kernel orvel_winmm
                      PRIVATE orvel_platform_internal)
orvel_warnings(orvel_host)
target_link_libraries(orvel_win32 INTERFACE orvel_host)
