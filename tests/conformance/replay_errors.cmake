# gdi-replay's exit codes and its promise to write nothing for a bad script. RUN is the
# program, LAUNCHER what runs it (wine) if anything; DIR a scratch folder.
file(REMOVE_RECURSE ${DIR})
file(MAKE_DIRECTORY ${DIR})

function(expect what code script out)
  # Through a file: under Wine a pipe would stay open as long as the wine server runs.
  execute_process(COMMAND ${LAUNCHER} ${RUN} ${script} ${out} RESULT_VARIABLE rc
                  INPUT_FILE /dev/null OUTPUT_FILE ${DIR}/stderr.txt ERROR_FILE ${DIR}/stderr.txt)
  file(READ ${DIR}/stderr.txt err)
  if(NOT rc EQUAL code)
    message(FATAL_ERROR "${what}: exit code ${rc}, expected ${code}; stderr: ${err}")
  endif()
  set(stderr "${err}" PARENT_SCOPE)
endfunction()

# A bad third line: its number on stderr, exit code 2, no image.
file(WRITE ${DIR}/bad.gdi "surface 8 8\nRectangle dc 0 0 4 4\nRectangle dc 0 0 4\n")
expect("bad line" 2 ${DIR}/bad.gdi ${DIR}/bad.bmp)
if(NOT stderr MATCHES "bad.gdi:3: Rectangle takes 5")
  message(FATAL_ERROR "bad line: stderr does not name line 3: ${stderr}")
endif()
if(EXISTS ${DIR}/bad.bmp)
  message(FATAL_ERROR "bad line: an image was written")
endif()

# A missing script is an I/O failure, exit code 1.
expect("missing script" 1 ${DIR}/none.gdi ${DIR}/none.bmp)

# A good script: a 5 x 3 image, 54 header bytes and three rows of 16 (15 padded to 4).
file(WRITE ${DIR}/good.gdi "surface 5 3\nSetPixel dc 0 0 0x0000FF\n")
expect("good script" 0 ${DIR}/good.gdi ${DIR}/good.bmp)
file(SIZE ${DIR}/good.bmp size)
file(READ ${DIR}/good.bmp pixel OFFSET 86 LIMIT 3 HEX)  # the top row is stored last
if(NOT size EQUAL 102 OR NOT pixel STREQUAL "0000ff")
  message(FATAL_ERROR "good script: ${size} bytes, top-left pixel ${pixel}")
endif()

# A folder is an unreadable script, exit code 1.
file(MAKE_DIRECTORY ${DIR}/folder.gdi)
expect("folder" 1 ${DIR}/folder.gdi ${DIR}/folder.bmp)

# A script over 16 MiB is refused by its size, before it is parsed, exit code 2.
string(REPEAT "# padding padding padding padding padding padding padding padding padding\n"
       230000 padding)
file(WRITE ${DIR}/huge.gdi "surface 8 8\n${padding}")
expect("huge script" 2 ${DIR}/huge.gdi ${DIR}/huge.bmp)
if(NOT stderr MATCHES "huge.gdi is larger than 16777216 bytes")
  message(FATAL_ERROR "huge script: ${stderr}")
endif()
file(REMOVE ${DIR}/huge.gdi)

# Deleting the surface's DC, or its bitmap as SelectObject hands it back, is a bad line: the
# surface is read back at the end.
file(WRITE ${DIR}/deletedc.gdi "surface 8 8\nSetPixel dc 0 0 255\nDeleteDC dc\n")
expect("DeleteDC dc" 2 ${DIR}/deletedc.gdi ${DIR}/deletedc.bmp)
if(NOT stderr MATCHES "deletedc.gdi:3: the surface's DC cannot be deleted")
  message(FATAL_ERROR "DeleteDC dc: ${stderr}")
endif()
file(WRITE ${DIR}/deletebitmap.gdi
     "surface 8 8\nb = CreateCompatibleBitmap dc 2 2\nold = SelectObject dc b\nDeleteObject old\n")
expect("DeleteObject of the surface's bitmap" 2 ${DIR}/deletebitmap.gdi ${DIR}/deletebitmap.bmp)
if(NOT stderr MATCHES "deletebitmap.gdi:4: the surface's bitmap cannot be deleted")
  message(FATAL_ERROR "DeleteObject of the surface's bitmap: ${stderr}")
endif()
foreach(name deletedc deletebitmap)
  if(EXISTS ${DIR}/${name}.bmp)
    message(FATAL_ERROR "${name}: an image was written")
  endif()
endforeach()
