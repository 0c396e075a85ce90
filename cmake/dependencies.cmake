# Third-party libraries as the same targets in every build: Boost::headers,
# CLI11::CLI11, nlohmann_json::nlohmann_json, pierqty_xlsxwriter (the C
# library libxlsxwriter, for the bill's workbook) and, with the tests,
# GTest::gtest_main.
#
# A native build finds Debian's packages (libxlsxwriter aside, below). A cross
# build cannot: the find root is the mingw sysroot, and the host's
# /usr/include must never reach a cross command line (it is glibc's). The three header-only libraries are therefore
# staged as symlinks to their own folders only, and GoogleTest is built from
# its sources with the cross compiler.

# libxlsxwriter is built the same way in every build, native or cross: from
# Debian's source package (scripts/setup.sh fetches it into
# build/third-party), as a static library, with USE_DTOA_LIBRARY. That option
# prints a double with Milo Yip's Grisu2, in digits that read back to the
# same double (the shortest such digits but for a rare extra one), and never
# with a locale's decimal comma. Debian's binary package is built without it
# and prints "%.16G": 16 significant digits, which do not always read back to
# the figure the CLI prints. zlib is Debian's (zlib1g-dev) natively and
# libz-mingw-w64-dev's static one in the cross build.
include(${CMAKE_CURRENT_LIST_DIR}/xlsxwriter.cmake)

if(NOT CMAKE_CROSSCOMPILING)
  find_package(Boost 1.74 REQUIRED)
  find_package(CLI11 REQUIRED)
  find_package(nlohmann_json 3.10 REQUIRED)
  if(BUILD_TESTING)
    find_package(GTest REQUIRED)
  endif()
  return()
endif()

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
