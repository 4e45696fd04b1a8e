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
    share/doc/vantor/git.md
    share/man/man1/vantor-cli.1.gz
    share/bash-completion/completions/vantor-cli)
if(DESKTOP)
    list(APPEND expected
        bin/vantor
        share/man/man1/vantor.1.gz
        share/bash-completion/completions/vantor
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

# The option names of one help text, as a manual page shows them in bold.
function(help_options out help)
    string(REPLACE ";" "," help "${help}")
    string(REGEX MATCHALL "\n  -[^\n]*" lines "\n${help}")
    set(names "")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^\n  (([^ ]| [^ ])*).*$" "\\1" left "${line}")
        string(REGEX MATCHALL "--?[A-Za-z0-9][A-Za-z0-9-]*" options "${left}")
        foreach(option IN LISTS options)
            string(REPLACE "-" "\\-" option "${option}")
            list(APPEND names "\\fB${option}\\fR")
        endforeach()
    endforeach()
    set(${out} "${names}" PARENT_SCOPE)
endfunction()

function(require_all where text)
    foreach(wanted IN LISTS ARGN)
        string(FIND "${text}" "${wanted}" at)
        if(at EQUAL -1)
            fail("${where} lacks ${wanted}")
        endif()
    endforeach()
endfunction()

# Each installed manual page has a section for every command its program's help lists, holding
# that command's options; groff, where there is one, renders it without a warning.
function(check_man_page program)
    set(page "${PREFIX}/share/man/man1/${program}.1.gz")
    execute_process(COMMAND gzip -dc "${page}"
        RESULT_VARIABLE rc OUTPUT_VARIABLE man ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        fail("${page} does not unpack: ${err}")
    endif()
    string(TOUPPER "${program}" title)
    require_all("${page}" "${man}" "\n.TH ${title} 1 " "\n.SH NAME\n" "\n.SH SYNOPSIS\n"
        "\n.SH DESCRIPTION\n")

    run_installed(rc help "${PREFIX}/bin/${program}" --help)
    help_options(options "${help}")
    require_all("${page}" "${man}" ${options})
    string(REGEX MATCH "\nCommands:\n(  [^\n]*\n)+" block "${help}")
    string(REGEX MATCHALL "\n  [a-z][a-z0-9-]*" commands "${block}")
    foreach(command IN LISTS commands)
        string(STRIP "${command}" command)
        string(REPLACE "-" "\\-" heading "${command}")
        string(FIND "${man}" "\n.SS ${heading}\n" start)
        if(start EQUAL -1)
            fail("${page} has no section for the command ${command}")
        endif()
        math(EXPR start "${start} + 1")
        string(SUBSTRING "${man}" ${start} -1 section)
        string(REGEX REPLACE "\n\\.S[HS] .*$" "" section "${section}")
        run_installed(rc help "${PREFIX}/bin/${program}" ${command} --help)
        help_options(options "${help}")
        if(NOT options)
            fail("'${program} ${command} --help' lists no options")
        endif()
        require_all("the section ${command} of ${page}" "${section}" ${options})
    endforeach()
    if(program STREQUAL "vantor-cli" AND NOT commands)
        fail("no commands found in 'vantor-cli --help'")
    endif()

    find_program(GROFF groff)
    if(GROFF)
        file(WRITE "${PREFIX}/${program}.1" "${man}")
        execute_process(COMMAND ${GROFF} -man -Tutf8 -ww -z "${PREFIX}/${program}.1"
            RESULT_VARIABLE rc ERROR_VARIABLE warnings)
        if(NOT rc EQUAL 0 OR NOT warnings STREQUAL "")
            fail("groff finds fault with ${page}: ${warnings}")
        endif()
    endif()
endfunction()

check_man_page(vantor-cli)
if(DESKTOP)
    check_man_page(vantor)
endif()
foreach(program vantor-cli vantor)
    set(completion "${PREFIX}/share/bash-completion/completions/${program}")
    if(EXISTS "${completion}")
        execute_process(COMMAND bash -n "${completion}" RESULT_VARIABLE rc ERROR_VARIABLE err)
        if(NOT rc EQUAL 0)
            fail("${completion} is not valid bash: ${err}")
        endif()
    endif()
endforeach()
