# Checks the manual page: every formatter at hand (groff, mandoc) must take
# it without a single warning, and it must carry the project's version and
# the sections a reader looks for.
#   cmake -DMAN=build/zentro.1 -DVERSION=3.0.0 -P man_lint.cmake
find_program(GROFF groff)
find_program(MANDOC mandoc)
if(NOT GROFF AND NOT MANDOC)
  message("SKIPPED: neither groff nor mandoc is installed")
  return()
endif()

set(failed FALSE)
if(GROFF)
  execute_process(COMMAND ${GROFF} -man -ww -z ${MAN}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR NOT out STREQUAL "" OR NOT err STREQUAL "")
    message("groff -man -ww -z ${MAN} (status ${status}):\n${out}${err}")
    set(failed TRUE)
  endif()
endif()
if(MANDOC)
  # -T lint reports style problems too; any line of output is a failure.
  execute_process(COMMAND ${MANDOC} -man -T lint ${MAN}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR NOT out STREQUAL "" OR NOT err STREQUAL "")
    message("mandoc -man -T lint ${MAN} (status ${status}):\n${out}${err}")
    set(failed TRUE)
  endif()
endif()

file(READ ${MAN} page)
string(REGEX MATCH "\n\\.TH ZENTRO 1 [^\n]*\"zentro ${VERSION}\"" th "${page}")
if(NOT th)
  message("${MAN}: the .TH line does not name zentro ${VERSION}")
  set(failed TRUE)
endif()
foreach(section NAME SYNOPSIS DESCRIPTION "\"MEMCFG.CFG FORMAT\"" "\"ADDRESS LAYOUT\""
                "\"GENERATED FILES\"" "\"EXIT STATUS\"" FILES EXAMPLE)
  string(FIND "${page}" "\n.SH ${section}\n" at)
  if(at LESS 0)
    message("${MAN}: no section .SH ${section}")
    set(failed TRUE)
  endif()
endforeach()

if(failed)
  message(FATAL_ERROR "the manual page has problems")
endif()
