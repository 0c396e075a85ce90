# One version for everything: project(... VERSION) becomes the generated
# header pierqty/version.h (target pierqty_version) and CPack's version.
# Users see major.MM, e.g. 1.0.0 -> "1.00".
if(PROJECT_VERSION_MINOR GREATER 99)
  message(FATAL_ERROR "A minor version above 99 has no two-digit form")
endif()
if(PROJECT_VERSION_MINOR LESS 10)
  set(PIERQTY_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.0${PROJECT_VERSION_MINOR}")
else()
  set(PIERQTY_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${PROJECT_BINARY_DIR}/generated/pierqty/version.h @ONLY)
add_library(pierqty_version INTERFACE)
target_include_directories(pierqty_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
