# Shows the layer check failing where it must: a scratch tree of two folders, "low" below "high", is
# broken on purpose one way at a time and run through CheckLayers.cmake as the real test does.
#   cmake -DSCRATCH=<empty or disposable folder> -P cmake/LayerCheckDemo.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT SCRATCH)
  message(FATAL_ERROR "usage: cmake -DSCRATCH=<folder> -P LayerCheckDemo.cmake")
endif()
set(check ${CMAKE_CURRENT_LIST_DIR}/CheckLayers.cmake)

# Writes the scratch tree: `low_include` and `high_include` are the extra include lines of the two
# .cpp files; `low_deps` and `high_deps` what each folder lists.
function(scratch_tree low_include high_include low_deps high_deps)
  file(REMOVE_RECURSE ${SCRATCH})
  file(MAKE_DIRECTORY ${SCRATCH}/src/low ${SCRATCH}/src/high ${SCRATCH}/records)
  file(WRITE ${SCRATCH}/src/low/Low.h "#pragma once\nint low();\n")
  file(WRITE ${SCRATCH}/src/low/Low.cpp "#include \"low/Low.h\"\n${low_include}\nint low() { return 1; }\n")
  file(WRITE ${SCRATCH}/src/high/High.h "#pragma once\nint high();\n")
  file(WRITE ${SCRATCH}/src/high/High.cpp "#include \"high/High.h\"\n${high_include}\nint high() { return 2; }\n")
  file(WRITE ${SCRATCH}/records/folders.list "low;high")
  file(WRITE ${SCRATCH}/records/low.cmake "set(folder low)\nset(deps \"${low_deps}\")\nset(test_deps \"\")\n")
  file(WRITE ${SCRATCH}/records/high.cmake "set(folder high)\nset(deps \"${high_deps}\")\nset(test_deps \"\")\n")
endfunction()

set(failures)
# Runs the check on the current tree; `expected` is a fragment of the report, or "" for a clean pass.
function(expect what expected)
  execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${SCRATCH}/src -DRECORDS=${SCRATCH}/records -P ${check}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  message(STATUS "${what}: exit ${result}\n${err}")
  if(expected STREQUAL "")
    if(NOT result EQUAL 0)
      list(APPEND failures "${what}: the check failed a clean tree")
    endif()
  elseif(result EQUAL 0)
    list(APPEND failures "${what}: the check passed")
  elseif(NOT err MATCHES "${expected}")
    list(APPEND failures "${what}: the report does not say \"${expected}\"")
  endif()
  set(failures ${failures} PARENT_SCOPE)
endfunction()

scratch_tree("" "#include \"low/Low.h\"" "" "low")
expect("clean tree" "")
scratch_tree("#include \"high/High.h\"" "" "" "")
expect("upward include" "low/Low.cpp includes \"high/High.h\": high is above low")
scratch_tree("" "#include \"low/Low.h\"" "" "")
expect("unlisted dependency" "high/High.cpp includes \"low/Low.h\", but high does not list low")
scratch_tree("" "#include \"low/Low.h\"" "high" "low")
expect("upward dependency" "low lists high, which is not below it")
scratch_tree("" "" "" "low")
expect("unused dependency" "high lists low but includes none of its headers")
file(REMOVE_RECURSE ${SCRATCH})

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "the layer check let these through:\n  ${text}")
endif()
