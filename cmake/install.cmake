# What `cmake --install` puts into the prefix, and the Debian package made of the same files:
#   include/tavix.h, include/tavix_version.h, include/platform/win32.h
#   lib/libtavix.a (and on Linux libtavix_platform.a, libtavix_main.a)
#   lib/pkgconfig/tavix.pc, lib/cmake/tavix/ (find_package(tavix) gives tavix::tavix)
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TAVIX_INSTALL_TARGETS tavix tavix_program)
if(NOT WIN32)
  list(APPEND TAVIX_INSTALL_TARGETS tavix_platform tavix_main)
endif()
install(TARGETS ${TAVIX_INSTALL_TARGETS} EXPORT tavixTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# tavix.h includes "platform/win32.h" and "tavix_version.h", found beside it once installed.
install(FILES ${PROJECT_SOURCE_DIR}/library/tavix.h ${PROJECT_BINARY_DIR}/include/tavix_version.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/platform/win32.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/platform)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The CMake package.
set(TAVIX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tavix)
install(EXPORT tavixTargets NAMESPACE tavix:: DESTINATION ${TAVIX_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/tavixConfig.cmake.in
  ${PROJECT_BINARY_DIR}/tavixConfig.cmake INSTALL_DESTINATION ${TAVIX_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/tavixConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/tavixConfig.cmake ${PROJECT_BINARY_DIR}/tavixConfigVersion.cmake
  DESTINATION ${TAVIX_CMAKE_DIR})
if(EMSCRIPTEN)
  # The browser build: tavix_web_page() and the page beside the package; the page's scripts and
  # the subset fonts in share/tavix/web/.
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/tavix_web.cmake ${PROJECT_SOURCE_DIR}/web/page.html.in
    DESTINATION ${TAVIX_CMAKE_DIR})
  install(FILES ${PROJECT_SOURCE_DIR}/platform/backend/web/library_web.js
    ${PROJECT_SOURCE_DIR}/web/tavix-page.js ${PROJECT_SOURCE_DIR}/web/serve.js
    DESTINATION ${CMAKE_INSTALL_DATADIR}/tavix/web)
  # tavix-web: a program's page from its sources, with the files of this prefix.
  install(PROGRAMS ${PROJECT_SOURCE_DIR}/web/tavix-web DESTINATION ${CMAKE_INSTALL_BINDIR})
  # FreeType, libpng and zlib built for wasm go into the same prefix, so that one prefix holds
  # everything find_package(tavix) needs.
  find_package(Freetype REQUIRED)
  find_package(PNG REQUIRED)
  # (The files themselves, not the symbolic links a prefix may hold to them.)
  foreach(library ${FREETYPE_LIBRARY_RELEASE} ${PNG_LIBRARY_RELEASE} ${ZLIB_LIBRARY_RELEASE})
    get_filename_component(name ${library} NAME)
    get_filename_component(real ${library} REALPATH)
    install(FILES ${real} DESTINATION ${CMAKE_INSTALL_LIBDIR} RENAME ${name})
  endforeach()
  install(DIRECTORY ${FREETYPE_INCLUDE_DIR_freetype2}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/freetype2)
  foreach(header png.h pngconf.h pnglibconf.h zlib.h zconf.h)
    find_file(TAVIX_HEADER_${header} ${header} PATHS ${PNG_INCLUDE_DIRS} NO_DEFAULT_PATH)
    get_filename_component(real ${TAVIX_HEADER_${header}} REALPATH)
    install(FILES ${real} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} RENAME ${header})
  endforeach()
  foreach(font ${TAVIX_WEB_FONTS})
    install(FILES ${TAVIX_WEB_FONT_DIR}/${font} DESTINATION ${CMAKE_INSTALL_DATADIR}/tavix/web/fonts)
  endforeach()
endif()

if(NOT TAVIX_WITH_X11)
  set(TAVIX_WITH_X11 OFF)
endif()
if(NOT TAVIX_WITH_SDL2)
  set(TAVIX_WITH_SDL2 OFF)
endif()

# The pkg-config file. The library is static, so its plain --libs name everything it needs; the
# prefix is found from the file's own place, so the files may be installed anywhere.
if(WIN32)
  set(TAVIX_PC_REQUIRES "")
  set(TAVIX_PC_LIBS "-ltavix -luser32 -lgdi32 -lmsimg32 -lkernel32 -lwinmm -lwindowscodecs -lole32 -luuid -static -lstdc++")
else()
  set(TAVIX_PC_REQUIRES "freetype2 fontconfig libpng")
  if(TAVIX_WITH_SDL2)
    string(PREPEND TAVIX_PC_REQUIRES "sdl2 ")
  endif()
  if(TAVIX_WITH_X11)
    string(APPEND TAVIX_PC_REQUIRES " x11")
  endif()
  set(TAVIX_PC_LIBS "-ltavix -ltavix_platform -ltavix_main -lstdc++ -lm")
  # The SDL backend's X code opens the XInput library SDL loaded (dlopen, in libc since glibc 2.34).
  if(TAVIX_WITH_X11 AND CMAKE_DL_LIBS)
    string(APPEND TAVIX_PC_LIBS " -l${CMAKE_DL_LIBS}")
  endif()
endif()
file(RELATIVE_PATH TAVIX_PC_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
string(REGEX REPLACE "/$" "" TAVIX_PC_PREFIX "${TAVIX_PC_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/tavix.pc.in ${PROJECT_BINARY_DIR}/tavix.pc @ONLY)
# A page is linked with the options and files of the CMake package (tavix_web_page), not from
# pkg-config's flags.
if(NOT EMSCRIPTEN)
  install(FILES ${PROJECT_BINARY_DIR}/tavix.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()

# `cpack -G DEB` in the build folder makes libtavix-dev: the library, its headers, tavix-run,
# tavix-grade and the guide. Its Depends: the -dev packages of the pkg-config file's Requires
# (a program built with it needs their headers and libraries) and, from dpkg-shlibdeps, the
# libraries tavix-grade loads.
set(CPACK_PACKAGE_NAME libtavix-dev)
set(CPACK_PACKAGE_VENDOR "The TAVIX developers")
# The maintainer the package names (lintian wants a real mail host).
set(TAVIX_DEB_MAINTAINER "The TAVIX developers <tavix@users.noreply.github.com>" CACHE STRING
  "The Maintainer of the Debian package")
set(CPACK_PACKAGE_CONTACT "${TAVIX_DEB_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "graphics and event library for learners' programs")
# The extended description (cpack indents each line).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "TAVIX gives a C or C++ program a 601 x 540 graphics window, a console
window and a Run menu that records input as scripts and plays it back.
This package holds the static library, its header, the pkg-config and
CMake files, tavix-run and tavix-grade (which replay scripts into
programs and grade them) and the guide.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(TAVIX_DEB_DEPENDS pkg-config)
string(REPLACE " " ";" TAVIX_PC_MODULES "${TAVIX_PC_REQUIRES}")
foreach(module ${TAVIX_PC_MODULES})
  # The Debian -dev package of each pkg-config module.
  set(dev_sdl2 libsdl2-dev)
  set(dev_freetype2 libfreetype-dev)
  set(dev_fontconfig libfontconfig-dev)
  set(dev_libpng libpng-dev)
  set(dev_x11 libx11-dev)
  if(NOT dev_${module})
    message(FATAL_ERROR "No Debian package known for the pkg-config module ${module}")
  endif()
  list(APPEND TAVIX_DEB_DEPENDS ${dev_${module}})
endforeach()
list(JOIN TAVIX_DEB_DEPENDS ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
# The faces the library asks fontconfig for.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, fonts-liberation")
# The package's own documentation folder (copyright, changelog, the guide) and the static
# libraries without their debugging sections, made in the staging folder before it is packed.
set(TAVIX_DEB_SOURCE_DIR ${PROJECT_SOURCE_DIR})
configure_file(${PROJECT_SOURCE_DIR}/scripts/dist/deb-staging.cmake.in
  ${PROJECT_BINARY_DIR}/deb-staging.cmake @ONLY)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_BINARY_DIR}/deb-staging.cmake)
include(CPack)
