# cmake -DBUILD_DIR=... -DPREFIX=... -DDESKTOP=ON|OFF [-DACCESS_FILES=a.mdb;b.mdb] -P CheckInstall.cmake
# Fails with the first thing that is missing or does not run from the installed tree.

function(fail what)
    message(FATAL_ERROR "install check: ${what}")
endfunction()

# Runs an installed program with a clean environment for the reader and the display.
function(run_installed out_rc out_text)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env --unset=VANTOR_MDB_READER QT_QPA_PLATFORM=offscreen
            ${ARGN}
        RESULT_VARIABLE rc OUTPUT_VARIABLE text ERROR_VARIABLE err)
    string(STRIP "${text}" text)
    set(${out_rc} "${rc}" PARENT_SCOPE)
    set(${out_text} "${text}${err}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
    RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
    fail("cmake --install failed (${rc})")
endif()

set(expected
    bin/vantor-cli
    libexec/vantor/vantor-mdb-reader
    share/vantor/examples/orders-v1.json
    share/vantor/examples/orders-v2.json
    share/doc/vantor/cli.md
    share/doc/vantor/git.md)
if(DESKTOP)
    list(APPEND expected
        bin/vantor
        share/vantor/help/index.html
        share/vantor/help/help.css
        share/applications/vantor.desktop
        share/icons/hicolor/scalable/apps/vantor.svg)
endif()
foreach(file IN LISTS expected)
    if(NOT EXISTS "${PREFIX}/${file}")
        fail("${file} was not installed")
    endif()
endforeach()
if(EXISTS "${PREFIX}/bin/vantor-mdb-reader")
    fail("the reader belongs under libexec, not in bin")
endif()

set(cli "${PREFIX}/bin/vantor-cli")
run_installed(rc text "${cli}" --version)
if(NOT rc EQUAL 0 OR NOT text MATCHES "^vantor-cli ")
    fail("vantor-cli --version answered ${rc}: ${text}")
endif()
set(examples "${PREFIX}/share/vantor/examples")
run_installed(rc text "${cli}" compare --quiet "${examples}/orders-v1.json"
    "${examples}/orders-v2.json")
if(NOT rc EQUAL 1)
    fail("comparing the installed examples answered ${rc} instead of 1 (different): ${text}")
endif()

# The installed CLI must find its reader under libexec.
set(access_file "")
foreach(candidate IN LISTS ACCESS_FILES)
    if(EXISTS "${candidate}" AND access_file STREQUAL "")
        set(access_file "${candidate}")
    endif()
endforeach()
if(access_file)
    run_installed(rc text "${cli}" snapshot "${access_file}" -o "${PREFIX}/snapshot.json")
    if(NOT rc EQUAL 0)
        fail("the installed vantor-cli could not read ${access_file}: ${text}")
    endif()
else()
    message(STATUS "No Access file at hand: the installed reader was not run.")
endif()

if(DESKTOP)
    run_installed(rc text "${PREFIX}/bin/vantor" --help-path)
    file(REAL_PATH "${PREFIX}" real_prefix)
    if(NOT rc EQUAL 0 OR NOT text STREQUAL "${real_prefix}/share/vantor/help/index.html")
        fail("the installed vantor looks for its help elsewhere (${rc}): ${text}")
    endif()
endif()
