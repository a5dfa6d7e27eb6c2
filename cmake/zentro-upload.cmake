# The upload step of zentro_upload() (zentroConfig.cmake), installed beside
# it:
#
#   cmake -DGLUE=<dir> -DSETTINGS=<file> [-DALL=1] -P zentro-upload.cmake
#
# GLUE is the target's glue directory, SETTINGS the file that zentro_upload
# generated for the configuration: SEND_FILE and SEND_PROGRAM, the
# uploader's two command lines as lists, with the placeholders <FILE>,
# <ADDRESS>, <PROGRAM> and <PORT>; PORT, the port given to zentro_upload;
# PROGRAM, the program to send. The environment variable ZENTRO_PORT, when
# set, is the port instead.
#
# Sends, in the order of GLUE/caetla.bat, every data file that is not
# remembered as sent from this glue directory with its present address and
# bytes, then the program, which starts it. GLUE/uploaded remembers what
# was sent ("ADDRESS SIZE SHA256 NAME" a line): a file is forgotten before
# it is sent and remembered once its uploader succeeded. Files never
# overlap here: the build fails on files that do (zentro-map). With ALL
# every file is sent. Every command runs in
# GLUE, standard input from the null device, its output shown as it comes.
cmake_minimum_required(VERSION 3.25)
include("${SETTINGS}")

set(port "${PORT}")
if(NOT "$ENV{ZENTRO_PORT}" STREQUAL "")
  set(port "$ENV{ZENTRO_PORT}")
endif()
if(CMAKE_HOST_WIN32)
  set(null NUL)
else()
  set(null /dev/null)
endif()

# The uploader of a command line, found as the build would run it.
function(find_uploader out command)
  list(GET command 0 tool)
  if(IS_ABSOLUTE "${tool}")
    set(found "${tool}")
  else()
    find_program(found NAMES "${tool}" NO_CACHE)
  endif()
  if(NOT found OR NOT EXISTS "${found}" OR IS_DIRECTORY "${found}")
    message(FATAL_ERROR "zentro_upload: cannot find the uploader ${tool}: put it on PATH, or "
                        "give its full path with TOOL in zentro_upload (or in its command line)")
  endif()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

foreach(command IN ITEMS SEND_FILE SEND_PROGRAM)
  if("${${command}}" MATCHES "<PORT>" AND port STREQUAL "")
    message(FATAL_ERROR "zentro_upload: the uploader needs a port, and none was given: set "
                        "ZENTRO_PORT for the build (ZENTRO_PORT=/dev/ttyUSB0, or COM3 on Windows), "
                        "or give PORT to zentro_upload")
  endif()
  find_uploader(tool "${${command}}")
  list(REMOVE_AT ${command} 0)
  list(PREPEND ${command} "${tool}")
endforeach()

# run(WHAT COMMAND FILE ADDRESS): one uploader command, the placeholders
# filled in; fails the build with WHAT when the uploader fails.
function(run what command file address)
  set(argv "")
  foreach(arg IN LISTS command)
    string(REPLACE "<FILE>" "${file}" arg "${arg}")
    string(REPLACE "<ADDRESS>" "${address}" arg "${arg}")
    string(REPLACE "<PROGRAM>" "${PROGRAM}" arg "${arg}")
    string(REPLACE "<PORT>" "${port}" arg "${arg}")
    list(APPEND argv "${arg}")
  endforeach()
  execute_process(COMMAND ${argv} WORKING_DIRECTORY "${GLUE}" INPUT_FILE ${null}
                  RESULT_VARIABLE status)
  if(NOT status STREQUAL "0")
    list(JOIN argv " " shown)
    message(FATAL_ERROR "zentro_upload: ${what} failed (${status}): ${shown}")
  endif()
endfunction()

# The state: for each name remembered, "ADDRESS SIZE SHA256".
set(state_file "${GLUE}/uploaded")
set(remembered "")
if(EXISTS "${state_file}")
  file(STRINGS "${state_file}" lines)
  foreach(line IN LISTS lines)
    if(line MATCHES "^([0-9A-F]+) ([0-9]+) ([0-9a-f]+) (.+)$")
      list(APPEND remembered "${CMAKE_MATCH_4}")
      set("was_${CMAKE_MATCH_4}" "${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${CMAKE_MATCH_3}")
    endif()
  endforeach()
endif()
macro(save)
  set(text "")
  foreach(name IN LISTS remembered)
    string(APPEND text "${was_${name}} ${name}\n")
  endforeach()
  file(WRITE "${state_file}" "${text}")
endmacro()

# The files that caetla.bat uploads, in its order.
file(STRINGS "${GLUE}/caetla.bat" uploads REGEX "^catflap up data\\\\.* [0-9A-F]+$")
list(LENGTH uploads total)
math(EXPR count "${total} + 1")
set(sent_files 0)
set(sent_bytes 0)
set(kept_files 0)
set(kept_bytes 0)
set(n 0)
set(current "")
foreach(upload IN LISTS uploads)
  math(EXPR n "${n} + 1")
  string(REGEX MATCH "^catflap up data\\\\(.*) ([0-9A-F]+)$" upload "${upload}")
  set(name "${CMAKE_MATCH_1}")
  list(APPEND current "${name}")
  # caetla.bat's address, in 8 digits.
  set(address "${CMAKE_MATCH_2}")
  string(LENGTH "${address}" digits)
  while(digits LESS 8)
    string(PREPEND address "0")
    math(EXPR digits "${digits} + 1")
  endwhile()
  set(path "${GLUE}/data/${name}")
  file(SIZE "${path}" size)
  file(SHA256 "${path}" hash)
  set(now "${address} ${size} ${hash}")

  set(reason "")
  if(ALL)
    set(reason "sending")
  elseif(NOT name IN_LIST remembered)
    set(reason "sending")  # never sent, or its last upload failed
  elseif(NOT "${was_${name}}" STREQUAL "${now}")
    set(reason "changed, sending")
  endif()
  set(line "zentro_upload: ${n} of ${count}: ${name}, ${size} bytes at 0x${address}")
  if(reason STREQUAL "")
    message(STATUS "${line}: unchanged, not sent")
    math(EXPR kept_files "${kept_files} + 1")
    math(EXPR kept_bytes "${kept_bytes} + ${size}")
    continue()
  endif()
  message(STATUS "${line}: ${reason}")
  list(REMOVE_ITEM remembered "${name}")
  save()
  if(CMAKE_HOST_WIN32)
    set(file "data\\${name}")
  else()
    set(file "data/${name}")
  endif()
  run("the upload of data/${name}" "${SEND_FILE}" "${file}" "${address}")
  list(APPEND remembered "${name}")
  set("was_${name}" "${now}")
  save()
  math(EXPR sent_files "${sent_files} + 1")
  math(EXPR sent_bytes "${sent_bytes} + ${size}")
endforeach()
# Files no longer uploaded are no longer remembered.
foreach(name IN LISTS remembered)
  if(NOT name IN_LIST current)
    list(REMOVE_ITEM remembered "${name}")
  endif()
endforeach()
save()

if(NOT EXISTS "${PROGRAM}")
  message(FATAL_ERROR "zentro_upload: there is no program ${PROGRAM} to send")
endif()
file(SIZE "${PROGRAM}" size)
message(STATUS "zentro_upload: ${count} of ${count}: ${PROGRAM}, ${size} bytes: sending and starting")
run("sending the program" "${SEND_PROGRAM}" "" "")
# "1 data file", "2 data files".
function(files out n)
  if(n EQUAL 1)
    set(${out} "1 data file" PARENT_SCOPE)
  else()
    set(${out} "${n} data files" PARENT_SCOPE)
  endif()
endfunction()
math(EXPR total_bytes "${sent_bytes} + ${size}")
files(sent ${sent_files})
files(kept ${kept_files})
message(STATUS "zentro_upload: sent ${sent} (${sent_bytes} bytes) and the program (${size} bytes), "
               "${total_bytes} bytes in all; not sent, unchanged: ${kept} (${kept_bytes} bytes)")
