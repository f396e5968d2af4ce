# Test-time layer check over the source tree as it is now:
#   cmake -DROOT=<source dir> -DRECORDS=<build dir>/layers -P cmake/CheckLayers.cmake
# RECORDS holds what configure wrote: folders.list (the layer order) and one <target>.cmake per folder
# (its folder, deps and test_deps). Fails, listing every broken rule, when any folder breaks one.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/OstrelLayers.cmake)

if(NOT ROOT OR NOT RECORDS)
  message(FATAL_ERROR "usage: cmake -DROOT=<source dir> -DRECORDS=<records dir> -P CheckLayers.cmake")
endif()
file(READ ${RECORDS}/folders.list OSTREL_FOLDERS)
file(GLOB records ${RECORDS}/*.cmake)
set(all)
set(checked 0)
foreach(record IN LISTS records)
  include(${record})
  if(NOT folder IN_LIST OSTREL_FOLDERS OR NOT EXISTS ${ROOT}/${folder})
    continue()  # a folder that has gone since the last configure
  endif()
  ostrel_layer_problems(all "${ROOT}" "${folder}" "${deps}" "${test_deps}")
  math(EXPR checked "${checked} + 1")
endforeach()
if(all)
  list(JOIN all "\n  " text)
  message(FATAL_ERROR "layer rules broken (cmake/OstrelLayers.cmake):\n  ${text}")
endif()
message(STATUS "layers: ${checked} folders keep to the layer order")
