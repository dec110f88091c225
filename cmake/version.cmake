# The project's version lives in one place, project(VERSION) in the top CMakeLists.txt.
# Code and resource scripts read it from a generated header, through the qvversion
# target; the packages take it from the same variables.
configure_file(${CMAKE_CURRENT_LIST_DIR}/qv_version.h.in ${PROJECT_BINARY_DIR}/generated/qv_version.h @ONLY)
add_library(qvversion INTERFACE)
target_include_directories(qvversion INTERFACE ${PROJECT_BINARY_DIR}/generated)
