# The browser build's linking and pages, for this tree and, installed, for a user's project
# (tavixConfig.cmake includes it under emscripten).
#
#   tavix_web_page(TARGET [DIRECTORY dir] [PRELOAD file[@/path] ...] [TITLE text])
#     makes TARGET a page: TARGET.js, TARGET.wasm and TARGET.data (the fonts and the files
#     preloaded) in dir (default: the target's output folder), and TARGET.html beside them, the
#     project's own page (emscripten's own .html output needs an unoptimised build here).
#
# The program waits in its own loop: emscripten's Asyncify suspends it there and gives the
# browser its turn. Asyncify follows direct calls only (ASYNCIFY_IGNORE_INDIRECT), which keeps the
# wasm small and the drawing as fast as without it: what may suspend is the layer's wait
# (WaitMessage, and GetMessageA, PeekMessageA and Sleep) and whatever calls it directly (the
# library's TAVIX_next_event, TAVIX_wait, TAVIX_poll, TAVIX_delay); nothing reached through a
# function pointer, such as a window procedure, may call them.
set(TAVIX_WEB_CMAKE_DIR ${CMAKE_CURRENT_LIST_DIR} CACHE INTERNAL "Where tavix_web.cmake lies")

# The bundled fonts: the files fontconfig resolves on Linux for the faces the layer asks for
# (platform/gdi/font_files_web.cpp names them).
set(TAVIX_WEB_FONTS LiberationSans-Regular.ttf LiberationSans-Bold.ttf DejaVuSans.ttf
  DejaVuSans-Bold.ttf DejaVuSansMono.ttf CACHE INTERNAL "The fonts a page bundles")

# Link options every program linking target gets. root: where the web files lie, as a path or
# a generator expression ($<BUILD_INTERFACE:...>$<INSTALL_INTERFACE:...>); in the source tree
# they are platform/backend/web/ and web/, installed share/tavix/web/.
function(tavix_web_link_options target root)
  set(build_js ${PROJECT_SOURCE_DIR}/platform/backend/web/library_web.js)
  set(build_pre ${PROJECT_SOURCE_DIR}/web/tavix-page.js)
  set(install_dir $<INSTALL_PREFIX>/${CMAKE_INSTALL_DATADIR}/tavix/web)
  set(fonts)
  foreach(font ${TAVIX_WEB_FONTS})
    find_file(TAVIX_FONT_${font} ${font} NO_CMAKE_FIND_ROOT_PATH
      PATHS /usr/share/fonts/truetype/liberation /usr/share/fonts/truetype/dejavu
      DOC "A font file the browser build bundles")
    if(NOT TAVIX_FONT_${font})
      message(FATAL_ERROR "The browser build bundles ${font} (fonts-liberation, fonts-dejavu-core)")
    endif()
    list(APPEND fonts "SHELL:--preload-file $<BUILD_INTERFACE:${TAVIX_FONT_${font}}>$<INSTALL_INTERFACE:${install_dir}/fonts/${font}>@/fonts/${font}")
  endforeach()
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
    "--pre-js=$<BUILD_INTERFACE:${build_pre}>$<INSTALL_INTERFACE:${install_dir}/tavix-page.js>"
    ${fonts})
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
