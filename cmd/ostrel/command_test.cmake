# Runs the ostrel command as a person would. Called by ctest with OSTREL (the executable), WORK (a
# scratch folder), TOUR (the tour script), SWITCHES (the page whose table of switches --help must list) and
# RUN_SCRIPT (scripts/run).
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

function(expect_status expected)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL expected)
    message(FATAL_ERROR "${ARGN}\nexited ${status}, expected ${expected}\n${out}\n${err}")
  endif()
  set(last_err "${err}" PARENT_SCOPE)
  set(last_out "${out}" PARENT_SCOPE)
endfunction()

# The tour twice, each from a fresh container: the pictures match byte for byte.
foreach(run 1 2)
  expect_status(0 ${OSTREL} --home ${WORK}/home${run} --script ${TOUR} --out ${WORK}/out${run})
endforeach()
file(GLOB pictures RELATIVE ${WORK}/out1 ${WORK}/out1/*.png)
list(LENGTH pictures count)
if(count EQUAL 0)
  message(FATAL_ERROR "the tour wrote no pictures")
endif()
foreach(picture IN LISTS pictures)
  file(SHA256 ${WORK}/out1/${picture} first)
  file(SHA256 ${WORK}/out2/${picture} second)
  if(NOT first STREQUAL second)
    message(FATAL_ERROR "${picture} differs between two runs of the same script")
  endif()
endforeach()

# A mistake names its line and stops the run before anything is written.
file(WRITE ${WORK}/bad.script "shot first\n# fine so far\nfly 3 4\n")
expect_status(2 ${OSTREL} --home ${WORK}/home3 --script ${WORK}/bad.script --out ${WORK}/bad)
if(NOT last_err MATCHES "bad.script:3: unknown command \"fly\"")
  message(FATAL_ERROR "unclear error for an unknown line: ${last_err}")
endif()
if(EXISTS ${WORK}/bad/first.png)
  message(FATAL_ERROR "a script with a mistake wrote pictures")
endif()

# A start with no display and no script: the app launches, goes to the background (which saves) and
# ends; the container then holds the seeded catalogues and the preference file, and a second start
# counts itself.
foreach(run 1 2)
  expect_status(0 ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY ${OSTREL} --home ${WORK}/plain)
endforeach()
foreach(file Documents/FramesData.plist Library/QuorvelFormatDatabase.db Library/LensDatabase.db
        Library/QuorvelPackageDatabase.db Library/QuorvelLensAdapterDb.db)
  if(NOT EXISTS ${WORK}/plain/${file})
    message(FATAL_ERROR "a plain start left no ${file}")
  endif()
endforeach()
file(READ ${WORK}/plain/Documents/FramesData.plist prefs)
if(NOT prefs MATCHES "<key>App_Start_Count</key>[ \t\r\n]*<integer>2</integer>")
  message(FATAL_ERROR "two plain starts did not count themselves:\n${prefs}")
endif()

# The window's library, and the third of the process's libraries it brings, is loaded only when a
# window is wanted, and the network's (libcurl, its TLS library and all they bring) only when a request
# goes out: a start without a window or a service address loads none of them (the loader lists every
# file it loads).
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY LD_DEBUG=files
                        ${OSTREL} --home ${WORK}/plain
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE loads)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "a plain start watched by the loader exited ${status}")
endif()
string(REGEX MATCHALL "file=[^ \t\n]*SDL[^ \t\n]*" window_libraries "${loads}")
if(window_libraries)
  message(FATAL_ERROR "a start without a window loaded the window's library: ${window_libraries}")
endif()
string(REGEX MATCHALL "file=[^ \t\n]*(libcurl|libssl\\.|libcrypto|libnghttp2|libssh2)[^ \t\n]*" network_libraries "${loads}")
if(network_libraries)
  message(FATAL_ERROR "a start that made no request loaded the network's libraries: ${network_libraries}")
endif()
if(NOT loads MATCHES "file=libcairo")
  message(FATAL_ERROR "the loader said nothing of what it loaded (LD_DEBUG=files unheard?):\n${loads}")
endif()

# Started with the files it ships (bundle, options file, catalogues), the app has nothing to warn
# about: every run above left a log without an error or a warning line.
foreach(home home1 home2 plain)
  set(log ${WORK}/${home}/Library/Logs/ostrel.log)
  if(NOT EXISTS ${log})
    message(FATAL_ERROR "the run in ${home} left no log file")
  endif()
  file(STRINGS ${log} complaints REGEX "^[0-9-]+ [0-9:]+ (error|warning) ")
  if(complaints)
    list(JOIN complaints "\n" complaints)
    message(FATAL_ERROR "a start with the shipped files logged errors or warnings (${home}):\n${complaints}")
  endif()
endforeach()

# A plain start without a display says what it did and what would show the app.
# (A sanitizer build may add its own report after it.)
if(NOT last_err MATCHES "^ostrel: no display: the app runs headless[^\n]*--window needs a display[^\n]*--script[^\n]*\n")
  message(FATAL_ERROR "a plain start without a display did not say so in one line:\n${last_err}")
endif()

# A container the app cannot keep its files in stops the start before anything is read: one line, status 1.
file(WRITE ${WORK}/not-a-folder "")
foreach(home ${WORK}/not-a-folder /proc/self)
  expect_status(1 ${OSTREL} --home ${home})
  if(NOT last_err MATCHES "^ostrel: cannot keep the app's files in ${home}: [^\n]+\n" OR
     last_err MATCHES "\n[^\n]*(catalogue|Package)")
    message(FATAL_ERROR "an unusable container (${home}) was not refused in one line:\n${last_err}")
  endif()
  expect_status(1 ${OSTREL} --home ${home} --script ${TOUR} --out ${WORK}/refused)
  if(EXISTS ${WORK}/refused)
    message(FATAL_ERROR "a tour on an unusable container (${home}) wrote pictures")
  endif()
endforeach()

# A display that is not there (DISPLAY names no server) ends a start, plain or with --window, before the
# container is touched: one line that names the display, and nothing a library says besides (a driver of
# a display nobody named would complain on its own). A sanitizer build may add its own report after it.
foreach(asked plain window)
  set(arguments)
  if(asked STREQUAL "window")
    set(arguments --window)
  endif()
  file(REMOVE_RECURSE ${WORK}/no-display)
  expect_status(1 ${CMAKE_COMMAND} -E env --unset=WAYLAND_DISPLAY --unset=XDG_RUNTIME_DIR DISPLAY=:65501
                ${OSTREL} --home ${WORK}/no-display ${arguments})
  string(REGEX REPLACE "\n(-----|==)[^\n]*\n.*$" "\n" said "${last_err}")
  if(NOT said MATCHES "^ostrel: [^\n]*DISPLAY=:65501[^\n]*\n$")
    message(FATAL_ERROR "a ${asked} start with DISPLAY naming no server did not say so in one line:\n${last_err}")
  endif()
  if(EXISTS ${WORK}/no-display)
    message(FATAL_ERROR "a ${asked} start with DISPLAY naming no server made the container")
  endif()
endforeach()

# A container whose own folders cannot hold files is refused the same way, before anything is written.
file(MAKE_DIRECTORY ${WORK}/library-is-a-file)
file(WRITE ${WORK}/library-is-a-file/Library "")
expect_status(1 ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY ${OSTREL} --home ${WORK}/library-is-a-file)
if(NOT last_err MATCHES "^ostrel: cannot keep the app's files in [^\n]*library-is-a-file: Library: it is a regular file, not a folder\n$" OR
   EXISTS ${WORK}/library-is-a-file/Documents/FramesData.plist)
  message(FATAL_ERROR "a container whose Library is a file was not refused in one line:\n${last_err}")
endif()

# A mistyped option names the form it resembles, and so does a mistyped launch argument.
expect_status(2 ${OSTREL} -home ${WORK}/plain)
if(NOT last_err MATCHES "did you mean --home ${WORK}/plain\\?")
  message(FATAL_ERROR "-home DIR did not name --home DIR:\n${last_err}")
endif()
expect_status(2 ${OSTREL} --home=${WORK}/plain)
if(NOT last_err MATCHES "two words \\(--home ${WORK}/plain\\)")
  message(FATAL_ERROR "--home=DIR did not name the --home DIR form:\n${last_err}")
endif()
expect_status(0 ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
              ${OSTREL} --home ${WORK}/plain -VURDebugEnable -APManalyticsDebugEnabled)
if(NOT last_err MATCHES "\"-VURDebugEnable\"[^\n]*did you mean -VURDebugEnabled\\?" OR
   NOT last_err MATCHES "\"-APManalyticsDebugEnabled\"[^\n]*did you mean -APMAnalyticsDebugEnabled\\?")
  message(FATAL_ERROR "a mistyped launch argument was not named:\n${last_err}")
endif()

# scripts/run hands its arguments to ostrel in the caller's folder: relative paths mean what they mean
# there. The script runs from a copy whose build steps do nothing and whose ostrel is this one.
set(repo ${WORK}/repository)
file(MAKE_DIRECTORY ${repo}/scripts ${repo}/build/run/cmd/ostrel ${WORK}/stubs ${WORK}/caller)
file(COPY ${RUN_SCRIPT} DESTINATION ${repo}/scripts)
file(WRITE ${repo}/scripts/install-deps "#!/bin/sh\nexit 0\n")
file(WRITE ${WORK}/stubs/cmake "#!/bin/sh\nexit 0\n")
file(CHMOD ${repo}/scripts/install-deps ${WORK}/stubs/cmake PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
file(CREATE_LINK ${OSTREL} ${repo}/build/run/cmd/ostrel/ostrel SYMBOLIC)
file(WRITE ${WORK}/caller/ok.script "shot first\n")
execute_process(COMMAND ${CMAKE_COMMAND} -E env "PATH=${WORK}/stubs:$ENV{PATH}"
                        ${repo}/scripts/run --home home --script ok.script --out shots
                WORKING_DIRECTORY ${WORK}/caller RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT EXISTS ${WORK}/caller/shots/first.png OR NOT IS_DIRECTORY ${WORK}/caller/home/Library
   OR EXISTS ${repo}/shots)
  message(FATAL_ERROR "scripts/run from another folder exited ${status}, or read and wrote elsewhere:\n${out}\n${err}")
endif()

# Without arguments it plays the repository's tours and ends with a line a tour: its folder, and how many
# pictures and dumps it holds, rather than every file's path.
file(MAKE_DIRECTORY ${repo}/resources/tour)
file(WRITE ${repo}/resources/tour/one.script "shot first\nshot second\ndump first\n")
execute_process(COMMAND ${CMAKE_COMMAND} -E env "PATH=${WORK}/stubs:$ENV{PATH}" ${repo}/scripts/run
                WORKING_DIRECTORY ${WORK}/caller RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT out MATCHES "\n  build/run/tour/one +2 pictures, 1 dump\n$" OR out MATCHES "first\\.")
  message(FATAL_ERROR "scripts/run did not end with its tour's folder and counts (${status}):\n${out}\n${err}")
endif()

# A single-dash word nobody reads is named with the option it resembles, a short one is warned of as a
# long one is, and a known switch passes quietly.
expect_status(0 ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
              ${OSTREL} --home ${WORK}/plain -window -x -APMAnalyticsDebugEnabled)
if(NOT last_err MATCHES "ostrel: \"-window\" is not an option \\(did you mean --window\\?\\)" OR
   NOT last_err MATCHES "ostrel: \"-x\" is neither an option nor a launch argument that ostrel reads" OR
   last_err MATCHES "APMAnalyticsDebugEnabled")
  message(FATAL_ERROR "-window was not answered with --window, -x not warned of, or a known switch was warned of:\n${last_err}")
endif()

# The help lists every switch the behaviour page tells a person to look up there, and help that cannot be
# written is a failure.
expect_status(0 ${OSTREL} -help)
file(STRINGS ${SWITCHES} switches REGEX "^\\| `-[A-Za-z]+` \\|")
list(LENGTH switches count)
if(count LESS 4)
  message(FATAL_ERROR "the table of switches in ${SWITCHES} was not found (${count} rows)")
endif()
foreach(row IN LISTS switches)
  string(REGEX MATCHALL "`-[A-Za-z]+`" names "${row}")
  foreach(name IN LISTS names)
    string(REPLACE "`" "" name "${name}")
    if(NOT last_out MATCHES "\n  ${name}\n")
      message(FATAL_ERROR "--help does not list ${name}, which ${SWITCHES} names:\n${last_out}")
    endif()
  endforeach()
endforeach()
execute_process(COMMAND ${OSTREL} --help OUTPUT_FILE /dev/full RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 1 OR NOT err MATCHES "^ostrel: cannot write the help: ")
  message(FATAL_ERROR "--help onto a full device exited ${status}:\n${err}")
endif()

# An option's value is never the next option: "--home --verbose" is refused in one line, with no
# folder made under the option's name.
execute_process(COMMAND ${OSTREL} --home --verbose WORKING_DIRECTORY ${WORK}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 2 OR NOT err MATCHES "^ostrel: --home needs a value, not the option \"--verbose\"[^\n]*\n" OR
   err MATCHES "usage:" OR EXISTS ${WORK}/--verbose)
  message(FATAL_ERROR "--home --verbose exited ${status}, or took --verbose for a folder:\n${err}")
endif()

# A step may end in a comment, and a shot named with its suffix is written under that name, once.
file(WRITE ${WORK}/names.script "wait 1  # let the first screen settle\nshot a.png # the first screen\ndump b.json\n")
expect_status(0 ${OSTREL} --home ${WORK}/home5 --script ${WORK}/names.script --out ${WORK}/names)
if(NOT EXISTS ${WORK}/names/a.png OR NOT EXISTS ${WORK}/names/b.json OR EXISTS ${WORK}/names/a.png.png)
  file(GLOB written RELATIVE ${WORK}/names ${WORK}/names/*)
  message(FATAL_ERROR "shot a.png and dump b.json wrote: ${written}")
endif()

expect_status(2 ${OSTREL} --script ${TOUR})
expect_status(2 ${OSTREL} --home ${WORK}/home4 --script ${WORK}/missing.script --out ${WORK}/missing)
file(REMOVE_RECURSE ${WORK})
