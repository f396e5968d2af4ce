# One library target per folder, named after its path ("platform/foundation" -> platform_foundation).
# Sources are the folder's .cpp files; files ending in _test.cpp form the folder's test program,
# registered with ctest under the same name.
#
#   ostrel_folder(DEPS <targets> PKGS <pkg-config modules> PUBLIC_PKGS <pkg-config modules>
#                 HEADER_PKGS <pkg-config modules> LIBS <plain libs> TEST_DEPS <targets> SEPARATE <files> OWN_PROCESS <test suites>
#                 [TSAN] [OBJECT])
#
# DEPS are the folders (and imported targets) the folder builds on, checked against the layer rules in
# OstrelLayers.cmake: configure fails on a folder listed out of order, on an include from a folder not
# listed, and on a listed folder never included.
# PKGS are linked privately: their headers stay inside the folder's .cpp files (and its tests);
# PUBLIC_PKGS are for modules whose headers the folder's own headers include.
# HEADER_PKGS lend the folder (and its tests) only their headers: the folder loads the library itself
# when it is first needed (dlopen), so programs built on it do not load it, and all it pulls in, at start.
# TSAN marks the folder's tests for the ThreadSanitizer run (scripts/test --tsan).
# OBJECT makes an OBJECT library, for folders that register themselves at load time.
# SEPARATE names files (of the folder or its tests) compiled on their own rather than in a unity batch,
# for a file whose anonymous-namespace names still clash with another file's.
# OWN_PROCESS names test suites that change what a process cannot take back (a class registered with the
# runtime, an identity that keeps the first app ID it is given): each runs as a ctest entry of its own
# (<folder>_<suite>), and the folder's entry runs the rest, so no other test sees what they leave.
#
# CMake links an OBJECT library's objects only into the targets that list it directly; one OBJECT library
# listing another passes on the other's usage requirements but not its objects. So each folder records,
# in OSTREL_OBJECT_CLOSURE, the OBJECT libraries that an OBJECT library somewhere below it lists, and every
# program links them (ostrel_link_objects): a folder may then call into an OBJECT library that its own
# OBJECT dependency uses, and the programs built on it still link.
include(${CMAKE_CURRENT_LIST_DIR}/OstrelLayers.cmake)

function(ostrel_target_name out folder)
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${folder})
  string(REPLACE "/" "_" name ${rel})
  set(${out} ${name} PARENT_SCOPE)
endfunction()

# The OBJECT libraries whose objects a program linking `targets` needs besides those it lists itself:
# each OBJECT library that an OBJECT library below the targets lists. A STATIC library needs no help,
# since the objects of the OBJECT libraries it lists go into its archive.
function(ostrel_object_closure out)
  set(closure)
  foreach(target IN LISTS ARGN)
    if(NOT TARGET ${target})
      continue()
    endif()
    get_property(below TARGET ${target} PROPERTY OSTREL_OBJECT_CLOSURE)
    list(APPEND closure ${below})
  endforeach()
  list(REMOVE_DUPLICATES closure)
  set(${out} ${closure} PARENT_SCOPE)
endfunction()

# Links into the program `exe` the objects that the targets it lists need from OBJECT libraries it does
# not list; call it after the program's own target_link_libraries.
function(ostrel_link_objects exe)
  get_target_property(listed ${exe} LINK_LIBRARIES)
  if(NOT listed)
    return()
  endif()
  ostrel_object_closure(closure ${listed})
  if(closure)
    list(REMOVE_ITEM closure ${listed})
  endif()
  if(closure)
    target_link_libraries(${exe} PRIVATE ${closure})
  endif()
endfunction()

# The imported target of a pkg-config module, made once for the whole build.
function(ostrel_pkg_target out pkg)
  string(MAKE_C_IDENTIFIER ${pkg} pkgid)
  if(NOT TARGET PkgConfig::${pkgid})
    pkg_check_modules(${pkgid} REQUIRED IMPORTED_TARGET GLOBAL ${pkg})
  endif()
  set(${out} PkgConfig::${pkgid} PARENT_SCOPE)
endfunction()

function(ostrel_folder)
  cmake_parse_arguments(ARG "TSAN;OBJECT" "" "DEPS;PKGS;PUBLIC_PKGS;HEADER_PKGS;LIBS;TEST_DEPS;TEST_LIBS;SEPARATE;OWN_PROCESS" ${ARGN})
  ostrel_target_name(name ${CMAKE_CURRENT_SOURCE_DIR})
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set(problems)
  ostrel_layer_problems(problems "${PROJECT_SOURCE_DIR}" "${folder}" "${ARG_DEPS}" "${ARG_TEST_DEPS}")
  if(problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "${folder} breaks the layer rules (cmake/OstrelLayers.cmake):\n  ${text}")
  endif()
  # What the test-time check (ctest -R layers) reads back.
  file(WRITE ${PROJECT_BINARY_DIR}/layers/${name}.cmake
    "set(folder \"${folder}\")\nset(deps \"${ARG_DEPS}\")\nset(test_deps \"${ARG_TEST_DEPS}\")\n")

  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(tests)
    list(REMOVE_ITEM sources ${tests})
  endif()
  if(NOT sources)
    message(FATAL_ERROR "${folder} has no source files: remove it from OSTREL_FOLDERS or give it one")
  endif()
  foreach(file IN LISTS ARG_SEPARATE)
    if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${file})
      message(FATAL_ERROR "${folder} lists ${file} as SEPARATE, but there is no such file")
    endif()
    set_source_files_properties(${file} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
  endforeach()
  if(ARG_OBJECT)
    add_library(${name} OBJECT ${sources})
  else()
    add_library(${name} STATIC ${sources})
  endif()
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} ${ARG_LIBS} Threads::Threads)
  set(private_pkgs)
  foreach(pkg IN LISTS ARG_PKGS)
    ostrel_pkg_target(target ${pkg})
    target_link_libraries(${name} PRIVATE ${target})
    list(APPEND private_pkgs ${target})
  endforeach()
  foreach(pkg IN LISTS ARG_PUBLIC_PKGS)
    ostrel_pkg_target(target ${pkg})
    target_link_libraries(${name} PUBLIC ${target})
  endforeach()
  set(header_includes)
  set(header_options)
  foreach(pkg IN LISTS ARG_HEADER_PKGS)
    ostrel_pkg_target(target ${pkg})
    list(APPEND header_includes $<TARGET_PROPERTY:${target},INTERFACE_INCLUDE_DIRECTORIES>)
    list(APPEND header_options $<TARGET_PROPERTY:${target},INTERFACE_COMPILE_OPTIONS>)
  endforeach()
  target_include_directories(${name} SYSTEM PRIVATE ${header_includes})
  target_compile_options(${name} PRIVATE ${header_options})
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  ostrel_object_closure(closure ${ARG_DEPS})
  if(ARG_OBJECT)
    foreach(dep IN LISTS ARG_DEPS)
      if(TARGET ${dep})
        get_target_property(type ${dep} TYPE)
        if(type STREQUAL "OBJECT_LIBRARY")
          list(APPEND closure ${dep})
        endif()
      endif()
    endforeach()
    list(REMOVE_DUPLICATES closure)
  endif()
  set_property(TARGET ${name} PROPERTY OSTREL_OBJECT_CLOSURE ${closure})
  set_property(GLOBAL APPEND PROPERTY OSTREL_LIBRARIES ${name})

  if(tests)
    add_executable(${name}_test ${tests})
    target_link_libraries(${name}_test PRIVATE ${name} ${private_pkgs} ${ARG_TEST_DEPS} ${ARG_TEST_LIBS}
      GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(${name}_test SYSTEM PRIVATE ${header_includes})
    target_compile_options(${name}_test PRIVATE ${header_options} ${OSTREL_TEST_COMPILE_OPTIONS})
    ostrel_link_objects(${name}_test)
    set(entries ${name})
    if(ARG_OWN_PROCESS)
      list(TRANSFORM ARG_OWN_PROCESS APPEND ".*" OUTPUT_VARIABLE suites)
      list(JOIN suites ":" others)
      add_test(NAME ${name} COMMAND ${name}_test --gtest_filter=-${others})
      foreach(suite IN LISTS ARG_OWN_PROCESS)
        add_test(NAME ${name}_${suite} COMMAND ${name}_test --gtest_filter=${suite}.*)
        list(APPEND entries ${name}_${suite})
      endforeach()
    else()
      add_test(NAME ${name} COMMAND ${name}_test)
    endif()
    set(labels unit)
    if(ARG_TSAN)
      list(APPEND labels tsan)
    endif()
    set_tests_properties(${entries} PROPERTIES LABELS "${labels}" TIMEOUT 600
      ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1")
  endif()
endfunction()


# The layer rules once more at test time, over the files as they are now (a new include in an old
# file does not make CMake configure again), and the check shown failing on deliberate breaks.
function(ostrel_layer_tests)
  file(WRITE ${PROJECT_BINARY_DIR}/layers/folders.list "${OSTREL_FOLDERS}")
  add_test(NAME layers COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR}
    -DRECORDS=${PROJECT_BINARY_DIR}/layers -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake)
  add_test(NAME layers_demo COMMAND ${CMAKE_COMMAND} -DSCRATCH=${PROJECT_BINARY_DIR}/layers-demo
    -P ${PROJECT_SOURCE_DIR}/cmake/LayerCheckDemo.cmake)
  # A scratch project built with ostrel_folder, whose programs link only if OBJECT libraries' objects
  # are passed on.
  add_test(NAME object_links_demo COMMAND ${CMAKE_COMMAND} -DSCRATCH=${PROJECT_BINARY_DIR}/object-links-demo
    -DCXX=${CMAKE_CXX_COMPILER} -P ${PROJECT_SOURCE_DIR}/cmake/ObjectLinkDemo.cmake)
  set_tests_properties(layers layers_demo object_links_demo PROPERTIES LABELS unit TIMEOUT 120)
endfunction()

# A cold run starts from no timings: the longest tests go first, so that on a two-core machine no core
# waits alone at the end for one of them. Tests belong to the folder that adds them, so each folder
# with a long test calls this at its end.
function(ostrel_long_tests_first)
  foreach(long_test unity_check ostrel_catalogue_places ostrel_delivery_and_time ostrel_analytics
          ostrel_kept_packages sdk_analytics_rules ostrel_pending_rescue ostrel_side_files
          ostrel_stand_in_packages ostrel_stored_choices)
    if(TEST ${long_test})
      set_tests_properties(${long_test} PROPERTIES COST 1000)
    endif()
  endforeach()
endfunction()
