# Walks the tour headless and holds its view-tree dumps against the references stored beside it, so a
# change in anything the main screen shows fails here. Called by ctest with OSTREL, WORK, TOUR and
# REFERENCES; with OSTREL_UPDATE_REFERENCES=1 in the environment the references are written anew instead.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${OSTREL} --home ${WORK}/home --script ${TOUR} --out ${WORK}/out
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the tour failed with status ${status}\n${out}\n${err}")
endif()

# Every page, in both themes.
foreach(page depth-of-field field-of-view lens-match sensors coverage settings)
  foreach(theme dark light)
    file(GLOB shots ${WORK}/out/*-${page}-${theme}.png)
    if(NOT shots)
      message(FATAL_ERROR "the tour shot no ${page} page in the ${theme} theme")
    endif()
  endforeach()
endforeach()

file(GLOB dumps RELATIVE ${WORK}/out ${WORK}/out/*.json)
if(NOT dumps)
  message(FATAL_ERROR "the tour wrote no dumps")
endif()
if(DEFINED ENV{OSTREL_UPDATE_REFERENCES})
  file(REMOVE_RECURSE ${REFERENCES})
  file(MAKE_DIRECTORY ${REFERENCES})
  foreach(dump IN LISTS dumps)
    file(COPY ${WORK}/out/${dump} DESTINATION ${REFERENCES})
  endforeach()
  message(STATUS "wrote the tour's references to ${REFERENCES}")
else()
  file(GLOB stored RELATIVE ${REFERENCES} ${REFERENCES}/*.json)
  if(NOT "${stored}" STREQUAL "${dumps}")
    message(FATAL_ERROR "the tour's dumps (${dumps}) are not the stored ones (${stored})")
  endif()
  foreach(dump IN LISTS dumps)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/out/${dump} ${REFERENCES}/${dump}
                    RESULT_VARIABLE differs)
    if(differs)
      message(FATAL_ERROR "${dump} no longer matches ${REFERENCES}/${dump}: the screen shows something else now "
                          "(OSTREL_UPDATE_REFERENCES=1 ctest -R ostrel_tour writes the references anew)")
    endif()
  endforeach()
endif()
file(REMOVE_RECURSE ${WORK})
