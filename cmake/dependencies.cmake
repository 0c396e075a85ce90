# Third-party libraries as the same targets in every build: Boost::headers,
# CLI11::CLI11, nlohmann_json::nlohmann_json, pierqty_xlsxwriter (the C
# library libxlsxwriter, for the bill's workbook) and, with the tests,
# GTest::gtest_main.
#
# A native build finds Debian's packages. A cross build cannot: the find root
# is the mingw sysroot, and the host's /usr/include must never reach a cross
# command line (it is glibc's). The three header-only libraries are therefore
# staged as symlinks to their own folders only, and GoogleTest is built from
# its sources with the cross compiler.

if(NOT CMAKE_CROSSCOMPILING)
  find_package(Boost 1.74 REQUIRED)
  find_package(CLI11 REQUIRED)
  find_package(nlohmann_json 3.10 REQUIRED)
  if(BUILD_TESTING)
    find_package(GTest REQUIRED)
  endif()
  # Debian's libxlsxwriter-dev ships no CMake or pkg-config package to rely on.
  find_path(XLSXWRITER_INCLUDE_DIR xlsxwriter.h REQUIRED)
  find_library(XLSXWRITER_LIBRARY xlsxwriter REQUIRED)
  add_library(pierqty_xlsxwriter INTERFACE)
  target_include_directories(pierqty_xlsxwriter SYSTEM INTERFACE ${XLSXWRITER_INCLUDE_DIR})
  target_link_libraries(pierqty_xlsxwriter INTERFACE ${XLSXWRITER_LIBRARY})
  return()
endif()

# libxlsxwriter for Windows, cross-built from Debian's source package (which
# scripts/setup.sh windows fetches into build/third-party) as a static
# library: numbers written by its own locale-independent dtoa, zlib from
# libz-mingw-w64-dev.
file(GLOB _xlsxwriter_sources LIST_DIRECTORIES true ${PROJECT_SOURCE_DIR}/build/third-party/libxlsxwriter-*)
list(FILTER _xlsxwriter_sources INCLUDE REGEX "libxlsxwriter-[0-9.]+$")
list(SORT _xlsxwriter_sources)
list(POP_BACK _xlsxwriter_sources _xlsxwriter_default)
set(PIERQTY_XLSXWRITER_SOURCE_DIR "${_xlsxwriter_default}" CACHE PATH "libxlsxwriter's sources (scripts/setup.sh windows)")
if(NOT EXISTS "${PIERQTY_XLSXWRITER_SOURCE_DIR}/include/xlsxwriter.h")
  message(FATAL_ERROR "libxlsxwriter's sources are missing (run scripts/setup.sh windows)")
endif()
include(ExternalProject)
set(_xlsxwriter_prefix ${CMAKE_BINARY_DIR}/xlsxwriter)
set(_xlsxwriter_library ${_xlsxwriter_prefix}/lib/libxlsxwriter.a)
ExternalProject_Add(
  xlsxwriter_build
  SOURCE_DIR ${PIERQTY_XLSXWRITER_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/xlsxwriter-build
  INSTALL_DIR ${_xlsxwriter_prefix}
  CMAKE_ARGS -G Ninja -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE} -DCMAKE_BUILD_TYPE=Release
             -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR> -DCMAKE_INSTALL_LIBDIR=lib -DBUILD_SHARED_LIBS=OFF
             -DUSE_DTOA_LIBRARY=ON
  BUILD_BYPRODUCTS ${_xlsxwriter_library})
file(MAKE_DIRECTORY ${_xlsxwriter_prefix}/include)
find_library(PIERQTY_MINGW_ZLIB z REQUIRED)
add_library(pierqty_xlsxwriter_static STATIC IMPORTED GLOBAL)
set_target_properties(pierqty_xlsxwriter_static PROPERTIES IMPORTED_LOCATION ${_xlsxwriter_library})
add_dependencies(pierqty_xlsxwriter_static xlsxwriter_build)
add_library(pierqty_xlsxwriter INTERFACE)
target_include_directories(pierqty_xlsxwriter SYSTEM INTERFACE ${_xlsxwriter_prefix}/include)
target_link_libraries(pierqty_xlsxwriter INTERFACE pierqty_xlsxwriter_static ${PIERQTY_MINGW_ZLIB})

set(PIERQTY_HOST_INCLUDE_DIR /usr/include CACHE PATH "Where the host's header-only libraries live")
set(_staging ${CMAKE_BINARY_DIR}/staged-include)
file(MAKE_DIRECTORY ${_staging})
foreach(_pair "CLI;CLI11::CLI11" "nlohmann;nlohmann_json::nlohmann_json" "boost;Boost::headers")
  list(GET _pair 0 _folder)
  list(GET _pair 1 _target)
  if(NOT IS_DIRECTORY ${PIERQTY_HOST_INCLUDE_DIR}/${_folder})
    message(FATAL_ERROR "${PIERQTY_HOST_INCLUDE_DIR}/${_folder} is missing (run scripts/setup.sh windows)")
  endif()
  file(CREATE_LINK ${PIERQTY_HOST_INCLUDE_DIR}/${_folder} ${_staging}/${_folder} SYMBOLIC)
  string(REPLACE "::" "_" _name "staged_${_target}")
  add_library(${_name} INTERFACE)
  # SYSTEM: their own warnings are not ours to fix.
  target_include_directories(${_name} SYSTEM INTERFACE ${_staging})
  add_library(${_target} ALIAS ${_name})
endforeach()

if(BUILD_TESTING)
  set(PIERQTY_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources (libgtest-dev)")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${PIERQTY_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Test discovery runs the test programs; under Wine do it when the tests
  # run, so the build itself never starts Wine.
  set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
endif()
