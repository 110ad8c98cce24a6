# The Windows DLL (TAVIX_DLL=ON, Windows builds only): tavix.dll exports the C functions of
# tavix.h and nothing else, from a .def file made from the header; the compiler's runtime
# (libgcc, libstdc++, winpthreads) is linked into it, so the DLL needs only Windows' own DLLs.
# Beside it: libtavix.dll.a, the import library for mingw, and tavix.lib, the same import library
# made from the .def for Microsoft's linker (llvm-dlltool, when it is found).
#
# The exported names: every function the header declares, one per line of the form
#   <type> TAVIX_<name>(...
# except WinMain, which the program defines.
file(STRINGS ${PROJECT_SOURCE_DIR}/library/tavix.h TAVIX_DECLARATIONS
  REGEX "^[A-Za-z_][A-Za-z0-9_ ]*[ *]TAVIX_[A-Za-z0-9_]+\\(")
set(TAVIX_EXPORTS)
foreach(line ${TAVIX_DECLARATIONS})
  string(REGEX MATCH "TAVIX_[A-Za-z0-9_]+" name "${line}")
  list(APPEND TAVIX_EXPORTS ${name})
endforeach()
list(REMOVE_DUPLICATES TAVIX_EXPORTS)
list(SORT TAVIX_EXPORTS)
list(LENGTH TAVIX_EXPORTS TAVIX_EXPORT_COUNT)
if(TAVIX_EXPORT_COUNT LESS 10)
  message(FATAL_ERROR "Only ${TAVIX_EXPORT_COUNT} functions found in tavix.h for the DLL")
endif()
list(JOIN TAVIX_EXPORTS "\n    " TAVIX_EXPORT_LINES)
set(TAVIX_DEF ${PROJECT_BINARY_DIR}/tavix.def)
file(CONFIGURE OUTPUT ${TAVIX_DEF} CONTENT "LIBRARY tavix.dll\nEXPORTS\n    ${TAVIX_EXPORT_LINES}\n")

add_library(tavix_dll SHARED ${TAVIX_DEF})
# The whole static library goes in; the .def decides what is seen.
target_link_libraries(tavix_dll PRIVATE -Wl,--whole-archive tavix -Wl,--no-whole-archive)
target_link_options(tavix_dll PRIVATE -static -static-libgcc -static-libstdc++ -s)
set_target_properties(tavix_dll PROPERTIES
  OUTPUT_NAME tavix PREFIX "" IMPORT_PREFIX lib IMPORT_SUFFIX .dll.a LINKER_LANGUAGE CXX)

find_program(TAVIX_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 llvm-dlltool-15 llvm-dlltool-16
  DOC "llvm-dlltool, which makes tavix.lib for Microsoft's linker")
if(CMAKE_SYSTEM_PROCESSOR MATCHES "64")
  set(TAVIX_DLLTOOL_MACHINE i386:x86-64)
else()
  set(TAVIX_DLLTOOL_MACHINE i386)
endif()
if(TAVIX_DLLTOOL)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/tavix.lib
    COMMAND ${TAVIX_DLLTOOL} -m ${TAVIX_DLLTOOL_MACHINE} -d ${TAVIX_DEF} -D tavix.dll
      -l ${PROJECT_BINARY_DIR}/tavix.lib
    DEPENDS ${TAVIX_DEF} VERBATIM)
  add_custom_target(tavix_msvc_import ALL DEPENDS ${PROJECT_BINARY_DIR}/tavix.lib)
else()
  message(WARNING "No llvm-dlltool (package llvm): tavix.lib is not made")
endif()

if(TAVIX_INSTALL)
  install(TARGETS tavix_dll
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES ${TAVIX_DEF} DESTINATION ${CMAKE_INSTALL_LIBDIR})
  if(TAVIX_DLLTOOL)
    install(FILES ${PROJECT_BINARY_DIR}/tavix.lib DESTINATION ${CMAKE_INSTALL_LIBDIR})
  endif()
endif()
