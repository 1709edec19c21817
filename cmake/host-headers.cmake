# Boost.Math and CLI11 are header-only. A cross build takes them from the
# build machine's packages (Debian's libboost-math-dev and libcli11-dev)
# through a directory of its own that holds those two alone: the build
# machine's include directory also holds its C library's headers, which
# must never stand before the target's.
set(ORTELAN_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${ORTELAN_HOST_HEADERS})
foreach(library boost CLI)
  set(probe boost/math/special_functions/gamma.hpp)
  if(library STREQUAL "CLI")
    set(probe CLI/CLI.hpp)
  endif()
  find_path(ORTELAN_HOST_${library}_ROOT ${probe} PATHS /usr/include /usr/local/include NO_DEFAULT_PATH
            NO_CMAKE_FIND_ROOT_PATH)
  if(NOT ORTELAN_HOST_${library}_ROOT)
    message(FATAL_ERROR "${probe} not found on the build machine: install libboost-math-dev and libcli11-dev")
  endif()
  file(CREATE_LINK ${ORTELAN_HOST_${library}_ROOT}/${library} ${ORTELAN_HOST_HEADERS}/${library} SYMBOLIC)
endforeach()

add_library(Boost::headers INTERFACE IMPORTED)
set_target_properties(Boost::headers PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${ORTELAN_HOST_HEADERS})
add_library(CLI11::CLI11 INTERFACE IMPORTED)
set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${ORTELAN_HOST_HEADERS})
