# The layer rules, shared by configure (ostrel_folder) and the test-time check (CheckLayers.cmake), so
# a file that starts including the wrong header fails the next test run even before the next configure.
#
#  1. A folder lists as DEPS only folders before it in OSTREL_FOLDERS (the layer order).
#  2. A folder's files include headers only from the folder itself and the folders it lists. Test code
#     (*_test.cpp, and headers named *TestSupport.h) may also include from the folder's TEST_DEPS, and
#     only test code includes a *TestSupport.h header, from its own folder or another.
#  3. A listed folder that none of the folder's files includes is not listed: unused links go.
#
# Includes are read as written from the repository root ("platform/ui/View.h"); an include naming no
# listed folder (a generated header, a system one) is not a layer question.

# The listed folder holding `path` (relative to the root), or "" when none does.
function(ostrel_folder_of out path)
  get_filename_component(dir "${path}" DIRECTORY)
  while(dir)
    if(dir IN_LIST OSTREL_FOLDERS)
      set(${out} "${dir}" PARENT_SCOPE)
      return()
    endif()
    # An absolute path ends at "/", whose folder is itself.
    get_filename_component(parent "${dir}" DIRECTORY)
    if(parent STREQUAL dir)
      break()
    endif()
    set(dir "${parent}")
  endwhile()
  set(${out} "" PARENT_SCOPE)
endfunction()

# The listed folder whose library target is `target` ("platform_ui" -> "platform/ui"), or "".
function(ostrel_folder_named out target)
  foreach(folder IN LISTS OSTREL_FOLDERS)
    string(REPLACE "/" "_" name "${folder}")
    if(name STREQUAL target)
      set(${out} "${folder}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${out} "" PARENT_SCOPE)
endfunction()

# Appends to `out` one line per broken rule for `folder` (relative to `root`).
function(ostrel_layer_problems out root folder deps test_deps)
  set(found)
  list(FIND OSTREL_FOLDERS "${folder}" own)
  set(listed)  # the DEPS that are folders of ours
  foreach(dep IN LISTS deps)
    ostrel_folder_named(dep_folder "${dep}")
    if(NOT dep_folder)
      continue()
    endif()
    list(APPEND listed ${dep})
    list(FIND OSTREL_FOLDERS "${dep_folder}" index)
    if(index GREATER_EQUAL own)
      list(APPEND found "${folder} lists ${dep}, which is not below it in the layer order")
    endif()
  endforeach()

  set(used)
  file(GLOB_RECURSE files RELATIVE "${root}" "${root}/${folder}/*.h" "${root}/${folder}/*.cpp" "${root}/${folder}/*.c")
  foreach(file IN LISTS files)
    ostrel_folder_of(holder "${file}")
    if(NOT holder STREQUAL folder)
      continue()  # a folder of its own inside this one
    endif()
    get_filename_component(base "${file}" NAME)
    set(allowed ${deps})
    set(is_test FALSE)
    if(base MATCHES "_test\\.cpp$" OR base MATCHES "TestSupport\\.h$")
      set(is_test TRUE)
      list(APPEND allowed ${test_deps})
    endif()
    file(STRINGS "${root}/${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
      if(header MATCHES "TestSupport\\.h$" AND NOT is_test)
        list(APPEND found "${file} includes \"${header}\", which only tests may include")
      endif()
      ostrel_folder_of(header_folder "${header}")
      if(NOT header_folder OR header_folder STREQUAL folder)
        continue()
      endif()
      string(REPLACE "/" "_" target "${header_folder}")
      list(FIND OSTREL_FOLDERS "${header_folder}" index)
      if(target IN_LIST allowed)
        if(NOT is_test)
          list(APPEND used ${target})
        endif()
      elseif(index GREATER own AND NOT is_test)
        list(APPEND found "${file} includes \"${header}\": ${header_folder} is above ${folder} in the layer order")
      else()
        list(APPEND found "${file} includes \"${header}\", but ${folder} does not list ${target}")
      endif()
    endforeach()
  endforeach()

  foreach(dep IN LISTS listed)
    if(NOT dep IN_LIST used)
      list(APPEND found "${folder} lists ${dep} but includes none of its headers")
    endif()
  endforeach()
  set(${out} ${${out}} ${found} PARENT_SCOPE)
endfunction()
