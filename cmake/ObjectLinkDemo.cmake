# Shows that programs receive the objects of OBJECT libraries they reach only through other OBJECT
# libraries: a scratch project of four folders built with the real ostrel_folder, where
#   low   (OBJECT)                 defines low() and registers itself at load time,
#   mid   (OBJECT, lists low)      calls low(),
#   top   (OBJECT, lists mid)      calls mid(), and its test program calls top(),
#   user  (STATIC, lists top)      calls top(), and its test program calls user().
# The answers count only when low's registration ran.
# A program built by hand, linking only top the plain CMake way, must fail to link: that is the gap
# ostrel_folder fills, and if CMake ever fills it itself this demo says so.
#   cmake -DSCRATCH=<disposable folder> -DCXX=<compiler> -P cmake/ObjectLinkDemo.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT SCRATCH OR NOT CXX)
  message(FATAL_ERROR "usage: cmake -DSCRATCH=<folder> -DCXX=<c++ compiler> -P ObjectLinkDemo.cmake")
endif()
set(src ${SCRATCH}/src)
set(bin ${SCRATCH}/build)
file(REMOVE_RECURSE ${SCRATCH})

file(WRITE ${src}/CMakeLists.txt "cmake_minimum_required(VERSION 3.25)
project(ObjectLinkDemo LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 20)
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(GTest REQUIRED)
include(${CMAKE_CURRENT_LIST_DIR}/Ostrel.cmake)
enable_testing()
set(OSTREL_FOLDERS low mid top user)
foreach(folder IN LISTS OSTREL_FOLDERS)
  add_subdirectory(\${folder})
endforeach()
add_executable(bare bare.cpp)
target_link_libraries(bare PRIVATE top)
set_target_properties(bare PROPERTIES EXCLUDE_FROM_ALL ON)
")
file(WRITE ${src}/bare.cpp "#include \"top/Top.h\"\nint main() { return top() == 3 ? 0 : 1; }\n")

file(WRITE ${src}/low/CMakeLists.txt "ostrel_folder(OBJECT)\n")
# low() is 1 only once low's load-time registration has run.
file(WRITE ${src}/low/Low.h "#pragma once\nint low();\n")
file(WRITE ${src}/low/Low.cpp "#include \"low/Low.h\"
namespace {
bool registered = false;
struct Registrar { Registrar() { registered = true; } } registrar;
}
int low() { return registered ? 1 : 100; }
")
file(WRITE ${src}/mid/CMakeLists.txt "ostrel_folder(DEPS low OBJECT)\n")
file(WRITE ${src}/mid/Mid.h "#pragma once\nint mid();\n")
file(WRITE ${src}/mid/Mid.cpp "#include \"mid/Mid.h\"\n#include \"low/Low.h\"\nint mid() { return low() + 1; }\n")
file(WRITE ${src}/top/CMakeLists.txt "ostrel_folder(DEPS mid OBJECT)\n")
file(WRITE ${src}/top/Top.h "#pragma once\nint top();\n")
file(WRITE ${src}/top/Top.cpp "#include \"top/Top.h\"\n#include \"mid/Mid.h\"\nint top() { return mid() + 1; }\n")
file(WRITE ${src}/top/top_test.cpp "#include \"top/Top.h\"
#include <gtest/gtest.h>
TEST(Top, ReachesTheObjectsTwoOBJECTLibrariesDown) { EXPECT_EQ(top(), 3); }
")
file(WRITE ${src}/user/CMakeLists.txt "ostrel_folder(DEPS top)\n")
file(WRITE ${src}/user/User.h "#pragma once\nint user();\n")
file(WRITE ${src}/user/User.cpp "#include \"user/User.h\"\n#include \"top/Top.h\"\nint user() { return top() + 1; }\n")
file(WRITE ${src}/user/user_test.cpp "#include \"user/User.h\"
#include <gtest/gtest.h>
TEST(User, ReachesTheObjectsBelowAStaticLibrary) { EXPECT_EQ(user(), 4); }
")
file(COPY ${CMAKE_CURRENT_LIST_DIR}/Ostrel.cmake ${CMAKE_CURRENT_LIST_DIR}/OstrelLayers.cmake DESTINATION ${src})

set(failures)
function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    list(APPEND failures "${what} failed:\n${out}${err}")
    set(failures ${failures} PARENT_SCOPE)
  endif()
  set(last_output "${out}${err}" PARENT_SCOPE)
  set(last_result ${result} PARENT_SCOPE)
endfunction()

run("configure" ${CMAKE_COMMAND} -S ${src} -B ${bin} -G Ninja -DCMAKE_CXX_COMPILER=${CXX})
if(NOT failures)
  run("build" ${CMAKE_COMMAND} --build ${bin})
endif()
if(NOT failures)
  run("tests" ${CMAKE_CTEST_COMMAND} --test-dir ${bin} --output-on-failure)
endif()
if(NOT failures)
  run("bare program" ${CMAKE_COMMAND} --build ${bin} --target bare)
  if(last_result EQUAL 0)
    set(failures "a program linking only top linked: CMake now passes objects on itself, and ostrel_link_objects can go")
  elseif(NOT last_output MATCHES "undefined reference to `mid\\(\\)'")
    set(failures "the bare program failed for another reason than the missing objects:\n${last_output}")
  else()
    set(failures)
  endif()
endif()
file(REMOVE_RECURSE ${SCRATCH})

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "OBJECT libraries are not passed on:\n  ${text}")
endif()
message(STATUS "programs receive the objects of OBJECT libraries below OBJECT libraries")
