# The browser build's linking and pages, for this tree and, installed, for a user's project
# (tavixConfig.cmake includes it under emscripten).
#
#   tavix_web_page(TARGET [DIRECTORY dir] [PRELOAD file[@/path] ...] [TITLE text])
#     makes TARGET a page: TARGET.js, TARGET.wasm and TARGET.data (the files preloaded, if
#     any) in dir (default: the target's output folder), the fonts in dir/fonts/, which every
#     page of dir shares, and TARGET.html beside them, the project's own page (emscripten's own
#     .html output needs an unoptimised build here).
#
# The program waits in its own loop: emscripten's Asyncify suspends it there and gives the
# browser its turn. Asyncify follows direct calls only (ASYNCIFY_IGNORE_INDIRECT), which keeps the
# wasm small and the drawing as fast as without it: what may suspend is the layer's wait
# (WaitMessage, and GetMessageA, PeekMessageA and Sleep) and whatever calls it directly (the
# library's TAVIX_next_event, TAVIX_wait, TAVIX_poll, TAVIX_delay); nothing reached through a
# function pointer, such as a window procedure, may call them.
set(TAVIX_WEB_CMAKE_DIR ${CMAKE_CURRENT_LIST_DIR} CACHE INTERNAL "Where tavix_web.cmake lies")

# The fonts a page offers: the files fontconfig resolves on Linux for the faces the layer asks
# for (platform/gdi/font_files_web.cpp names them), cut down to the characters the layer can show
# (Windows-1252, Greek, Cyrillic) with fonttools' subsetter, which keeps the outlines and their
# hinting as they are. A page fetches each from the fonts/ folder beside it when its program
# first needs it.
set(TAVIX_WEB_FONTS
  LiberationSans-Regular.ttf LiberationSans-Bold.ttf LiberationSans-Italic.ttf
  LiberationSans-BoldItalic.ttf LiberationSerif-Regular.ttf LiberationSerif-Bold.ttf
  LiberationSerif-Italic.ttf LiberationSerif-BoldItalic.ttf LiberationMono-Regular.ttf
  LiberationMono-Bold.ttf LiberationMono-Italic.ttf LiberationMono-BoldItalic.ttf
  DejaVuSans.ttf DejaVuSans-Bold.ttf DejaVuSansMono.ttf
  DejaVuSansMono-Bold.ttf DejaVuSerif.ttf DejaVuSerif-Bold.ttf
  CACHE INTERNAL "The fonts a page offers")
set(TAVIX_WEB_FONT_CHARACTERS "U+0000-007E,U+00A0-00FF,U+0152-0153,U+0160-0161,U+0178,U+017D-017E,U+0192,U+02C6,U+02DC,U+0370-03FF,U+0400-04FF,U+2013-2014,U+2018-201A,U+201C-201E,U+2020-2022,U+2026,U+2030,U+2039-203A,U+20AC,U+2122,U+FFFD"
  CACHE INTERNAL "The characters the offered fonts keep")

# The subset fonts of this tree, made at build time into the build folder (target
# tavix_web_fonts); installed, they are share/tavix/web/fonts/.
function(tavix_web_subset_fonts)
  find_program(TAVIX_PYFTSUBSET pyftsubset DOC "fonttools' font subsetter")
  if(NOT TAVIX_PYFTSUBSET)
    message(FATAL_ERROR "The browser build cuts its fonts down with pyftsubset (Debian: fonttools)")
  endif()
  set(outputs)
  foreach(font ${TAVIX_WEB_FONTS})
    find_file(TAVIX_FONT_${font} ${font} NO_CMAKE_FIND_ROOT_PATH
      PATHS /usr/share/fonts/truetype/liberation /usr/share/fonts/truetype/dejavu
      DOC "A font file the browser build offers")
    if(NOT TAVIX_FONT_${font})
      message(FATAL_ERROR "The browser build offers ${font} (fonts-liberation, fonts-dejavu-core)")
    endif()
    set(out ${PROJECT_BINARY_DIR}/tavix-fonts/${font})
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/tavix-fonts
      COMMAND ${TAVIX_PYFTSUBSET} ${TAVIX_FONT_${font}} --output-file=${out}
        --unicodes=${TAVIX_WEB_FONT_CHARACTERS} --layout-features=* --glyph-names --legacy-kern
        --notdef-glyph --notdef-outline --name-IDs=* --name-languages=* --name-legacy --hinting
        --no-prune-unicode-ranges --passthrough-tables
      DEPENDS ${TAVIX_FONT_${font}}
      COMMENT "Cutting ${font} down for the browser" VERBATIM)
    list(APPEND outputs ${out})
  endforeach()
  add_custom_target(tavix_web_fonts DEPENDS ${outputs})
  set(TAVIX_WEB_FONT_DIR ${PROJECT_BINARY_DIR}/tavix-fonts CACHE INTERNAL "The subset fonts")
endfunction()

# Copies the fonts into DIR/fonts for the page target in DIR: one copy per folder, whichever
# pages share it.
function(tavix_web_page_fonts target dir)
  if(TARGET tavix_web_fonts)
    set(from ${TAVIX_WEB_FONT_DIR})
    set(needs tavix_web_fonts)
  else()
    get_filename_component(from ${TAVIX_WEB_CMAKE_DIR}/../../../share/tavix/web/fonts ABSOLUTE)
    set(needs)
  endif()
  string(MD5 key ${dir})
  set(copier tavix_web_fonts_${key})
  if(NOT TARGET ${copier})
    set(outputs)
    foreach(font ${TAVIX_WEB_FONTS})
      add_custom_command(OUTPUT ${dir}/fonts/${font}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}/fonts
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${from}/${font} ${dir}/fonts/${font}
        DEPENDS ${from}/${font} ${needs} VERBATIM)
      list(APPEND outputs ${dir}/fonts/${font})
    endforeach()
    add_custom_target(${copier} DEPENDS ${outputs})
  endif()
  add_dependencies(${target} ${copier})
endfunction()

# Link options every program linking target gets. root: where the web files lie, as a path or
# a generator expression ($<BUILD_INTERFACE:...>$<INSTALL_INTERFACE:...>); in the source tree
# they are platform/backend/web/ and web/, installed share/tavix/web/.
function(tavix_web_link_options target root)
  set(build_js ${PROJECT_SOURCE_DIR}/platform/backend/web/library_web.js)
  set(build_pre ${PROJECT_SOURCE_DIR}/web/tavix-page.js)
  set(install_dir $<INSTALL_PREFIX>/${CMAKE_INSTALL_DATADIR}/tavix/web)
  target_link_options(${target} INTERFACE
    -sASYNCIFY
    -sASYNCIFY_IGNORE_INDIRECT=1
    -sASYNCIFY_IMPORTS=tavix_web_wait
    -sASYNCIFY_STACK_SIZE=65536
    -sALLOW_MEMORY_GROWTH=1
    -sEXIT_RUNTIME=1
    -sFORCE_FILESYSTEM=1
    -sENVIRONMENT=web
    -sEXPORTED_RUNTIME_METHODS=FS,ENV
    "--js-library=$<BUILD_INTERFACE:${build_js}>$<INSTALL_INTERFACE:${install_dir}/library_web.js>"
    "--pre-js=$<BUILD_INTERFACE:${build_pre}>$<INSTALL_INTERFACE:${install_dir}/tavix-page.js>")
endfunction()

function(tavix_web_page target)
  cmake_parse_arguments(PAGE "" "DIRECTORY;TITLE" "PRELOAD" ${ARGN})
  if(NOT PAGE_DIRECTORY)
    get_target_property(PAGE_DIRECTORY ${target} RUNTIME_OUTPUT_DIRECTORY)
    if(NOT PAGE_DIRECTORY)
      set(PAGE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    endif()
  endif()
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  if(NOT PAGE_TITLE)
    set(PAGE_TITLE ${name})
  endif()
  set_target_properties(${target} PROPERTIES SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${PAGE_DIRECTORY})
  # Debian's emscripten finds the JavaScript optimiser's modules (acorn) only through NODE_PATH,
  # which an optimised link needs.
  if(NOT DEFINED ENV{NODE_PATH} AND EXISTS /usr/share/nodejs/acorn)
    set_target_properties(${target} PROPERTIES
      C_LINKER_LAUNCHER "env;NODE_PATH=/usr/share/nodejs"
      CXX_LINKER_LAUNCHER "env;NODE_PATH=/usr/share/nodejs")
  endif()
  # A page is linked again when the page's scripts change.
  foreach(script ${TAVIX_WEB_CMAKE_DIR}/../platform/backend/web/library_web.js
                 ${TAVIX_WEB_CMAKE_DIR}/../web/tavix-page.js
                 ${TAVIX_WEB_CMAKE_DIR}/../../../share/tavix/web/library_web.js
                 ${TAVIX_WEB_CMAKE_DIR}/../../../share/tavix/web/tavix-page.js)
    if(EXISTS ${script})
      set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
    endif()
  endforeach()
  tavix_web_page_fonts(${target} ${PAGE_DIRECTORY})
  foreach(file ${PAGE_PRELOAD})
    target_link_options(${target} PRIVATE "SHELL:--preload-file ${file}")
    string(REGEX REPLACE "@.*" "" source ${file})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${source})
  endforeach()
  if(EXISTS ${TAVIX_WEB_CMAKE_DIR}/../web/page.html.in)
    set(template ${TAVIX_WEB_CMAKE_DIR}/../web/page.html.in)
  else()
    set(template ${TAVIX_WEB_CMAKE_DIR}/page.html.in)
  endif()
  set(TAVIX_PAGE_NAME ${name})
  set(TAVIX_PAGE_TITLE ${PAGE_TITLE})
  configure_file(${template} ${PAGE_DIRECTORY}/${name}.html @ONLY)
endfunction()
