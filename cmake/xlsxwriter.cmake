# pierqty_xlsxwriter: libxlsxwriter built from Debian's source package as a
# static library, in the native build and the mingw cross build alike (see
# dependencies.cmake for why).
include(ExternalProject)

file(GLOB _xlsxwriter_sources LIST_DIRECTORIES true ${PROJECT_SOURCE_DIR}/build/third-party/libxlsxwriter-*)
list(FILTER _xlsxwriter_sources INCLUDE REGEX "libxlsxwriter-[0-9.]+$")
list(SORT _xlsxwriter_sources)
set(_xlsxwriter_default "")
if(_xlsxwriter_sources)
  list(POP_BACK _xlsxwriter_sources _xlsxwriter_default)
endif()
set(PIERQTY_XLSXWRITER_SOURCE_DIR "${_xlsxwriter_default}" CACHE PATH "libxlsxwriter's sources (scripts/setup.sh)")
if(NOT EXISTS "${PIERQTY_XLSXWRITER_SOURCE_DIR}/include/xlsxwriter.h")
  message(FATAL_ERROR "libxlsxwriter's sources are missing from build/third-party (run scripts/setup.sh)")
endif()

set(_xlsxwriter_prefix ${CMAKE_BINARY_DIR}/xlsxwriter)
set(_xlsxwriter_library ${_xlsxwriter_prefix}/lib/${CMAKE_STATIC_LIBRARY_PREFIX}xlsxwriter${CMAKE_STATIC_LIBRARY_SUFFIX})
set(_xlsxwriter_arguments
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR> -DCMAKE_INSTALL_LIBDIR=lib
    -DBUILD_SHARED_LIBS=OFF -DUSE_DTOA_LIBRARY=ON)
if(CMAKE_TOOLCHAIN_FILE)
  list(APPEND _xlsxwriter_arguments -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE})
endif()
# The build patches a copy of its own: the fetched source stays as Debian
# ships it, and a fetch made again cannot undo a build's patch.
ExternalProject_Add(
  xlsxwriter_build
  DOWNLOAD_COMMAND ${CMAKE_COMMAND} -E copy_directory ${PIERQTY_XLSXWRITER_SOURCE_DIR} <SOURCE_DIR>
  SOURCE_DIR ${CMAKE_BINARY_DIR}/xlsxwriter-source
  BINARY_DIR ${CMAKE_BINARY_DIR}/xlsxwriter-static
  INSTALL_DIR ${_xlsxwriter_prefix}
  # The workbook's deflate level, from zlib's default 6 to 1 (xlsxwriter_deflate.cmake).
  PATCH_COMMAND ${CMAKE_COMMAND} -DPACKAGER=<SOURCE_DIR>/src/packager.c -P
                ${CMAKE_CURRENT_LIST_DIR}/xlsxwriter_deflate.cmake
  CMAKE_ARGS ${_xlsxwriter_arguments}
  BUILD_BYPRODUCTS ${_xlsxwriter_library})
file(MAKE_DIRECTORY ${_xlsxwriter_prefix}/include)

# The static zlib in the cross build: the programs must run on a Windows
# without zlib1.dll, which the installer does not carry.
if(CMAKE_CROSSCOMPILING)
  set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(ZLIB REQUIRED)

add_library(pierqty_xlsxwriter_static STATIC IMPORTED GLOBAL)
set_target_properties(pierqty_xlsxwriter_static PROPERTIES IMPORTED_LOCATION ${_xlsxwriter_library})
add_dependencies(pierqty_xlsxwriter_static xlsxwriter_build)
add_library(pierqty_xlsxwriter INTERFACE)
target_include_directories(pierqty_xlsxwriter SYSTEM INTERFACE ${_xlsxwriter_prefix}/include)
target_link_libraries(pierqty_xlsxwriter INTERFACE pierqty_xlsxwriter_static ZLIB::ZLIB)
