# The build steps of zentro_glue() (zentroConfig.cmake), installed beside it:
#
#   cmake -DZENTRO=<zentro> -DGAS=<zentro-gas or empty> -DDATA_DIR=<dir>
#         -DGLUE=<dir> [-DMAKE_DEPENDS=<file>] -P zentro-glue.cmake
#   cmake -DPROGRAM=<linked program> -DGLUE=<dir> -P zentro-glue.cmake
#   cmake -DSHADOWS=<dir>|<dir>... -DGLUE=<dir> -P zentro-glue.cmake
#
# The first runs zentro for one target. GLUE, in the build tree, is that
# target's project root: GLUE/data holds a link to every entry of DATA_DIR
# (a copy where links cannot be made), and zentro runs in it (with -asm when
# GAS is given), standard input from the null device, and writes its files
# into GLUE; what it printed is shown. Fails when zentro exits with a status
# other than 0 or prints a line beginning with "Error ". Else turns data.s
# into GLUE/data-gas.s with GAS, writes GLUE/glue.d (memcfg.cfg and every
# data file zentro read, in DATA_DIR) and touches GLUE/stamp, which is
# removed first, so that a failed run is made again by the next build.
# MAKE_DEPENDS is the Makefile generator's record of the target's
# dependencies.
#
# The second checks, after the link, that a default-mode program (a 32-bit
# ELF file) does not overlap in memory any data file that caetla.bat
# uploads; when it does, the program is removed and the build fails.
#
# The third fails while one of the directories holds an addrs.h, which a
# source would include in place of GLUE/addrs.h; else touches GLUE/shadows.
cmake_minimum_required(VERSION 3.25)

# The number in the bytes of a hex string, little-endian unless BIG is set.
function(elf_number out hex)
  if(NOT big)
    string(REGEX MATCHALL ".." bytes "${hex}")
    list(REVERSE bytes)
    string(JOIN "" hex ${bytes})
  endif()
  math(EXPR value "0x${hex}")
  set(${out} ${value} PARENT_SCOPE)
endfunction()

function(elf_field out offset size)
  file(READ "${PROGRAM}" hex OFFSET ${offset} LIMIT ${size} HEX)
  elf_number(value "${hex}")
  set(${out} ${value} PARENT_SCOPE)
endfunction()

function(hex_range out start end)
  math(EXPR last "${end} - 1" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR start "${start}" OUTPUT_FORMAT HEXADECIMAL)
  string(TOUPPER "${start}-${last}" range)
  string(REPLACE "X" "x" range "${range}")
  set(${out} "${range}" PARENT_SCOPE)
endfunction()

# The files that GLUE/caetla.bat uploads: their names, and their addresses
# as numbers.
function(read_uploads names_out addrs_out)
  file(STRINGS "${GLUE}/caetla.bat" uploads REGEX "^catflap up data\\\\.* [0-9A-F]+$")
  set(names "")
  set(addrs "")
  foreach(upload IN LISTS uploads)
    string(REGEX MATCH "^catflap up data\\\\(.*) ([0-9A-F]+)$" upload "${upload}")
    list(APPEND names "${CMAKE_MATCH_1}")
    math(EXPR addr "0x${CMAKE_MATCH_2}")
    list(APPEND addrs ${addr})
  endforeach()
  set(${names_out} "${names}" PARENT_SCOPE)
  set(${addrs_out} "${addrs}" PARENT_SCOPE)
endfunction()

if(DEFINED SHADOWS)
  file(REMOVE "${GLUE}/shadows")
  string(REPLACE "|" ";" dirs "${SHADOWS}")
  foreach(dir IN LISTS dirs)
    if(EXISTS "${dir}/addrs.h")
      message(FATAL_ERROR "zentro_glue: ${dir}/addrs.h would be compiled in place of the "
                          "build's own, ${GLUE}/addrs.h: a source beside it, or in the "
                          "project root, finds it first. Remove it (zentro run by hand "
                          "writes one); the build makes its own.")
    endif()
  endforeach()
  file(TOUCH "${GLUE}/shadows")
  return()
endif()

if(PROGRAM)
  file(READ "${PROGRAM}" ident LIMIT 6 HEX)
  if(NOT ident MATCHES "^7f454c4601(0[12])$")
    return()  # not a 32-bit ELF file: nothing to check
  endif()
  set(big FALSE)
  if(CMAKE_MATCH_1 STREQUAL "02")
    set(big TRUE)
  endif()
  # The data files and their ranges.
  read_uploads(names addrs)
  set(files "")
  foreach(name start IN ZIP_LISTS names addrs)
    file(SIZE "${GLUE}/data/${name}" size)
    math(EXPR end "${start} + ${size}")
    if(size GREATER 0)
      list(APPEND files "${start}:${end}:${name}")
    endif()
  endforeach()
  elf_field(phoff 28 4)
  elf_field(phentsize 42 2)
  elf_field(phnum 44 2)
  foreach(i RANGE 1 ${phnum})
    math(EXPR at "${phoff} + (${i} - 1) * ${phentsize}")
    elf_field(type ${at} 4)
    math(EXPR at "${at} + 8")
    elf_field(vaddr ${at} 4)
    math(EXPR at "${at} + 12")
    elf_field(memsz ${at} 4)
    if(NOT type EQUAL 1 OR memsz EQUAL 0)
      continue()  # not a loaded segment
    endif()
    math(EXPR vend "${vaddr} + ${memsz}")
    set(met "")
    foreach(file IN LISTS files)
      string(REGEX MATCH "^([0-9]+):([0-9]+):(.*)$" file "${file}")
      set(start ${CMAKE_MATCH_1})
      set(end ${CMAKE_MATCH_2})
      if(start LESS vend AND vaddr LESS end AND (NOT met OR start LESS met_start))
        set(met "${CMAKE_MATCH_3}")
        set(met_start ${start})
        set(met_end ${end})
      endif()
    endforeach()
    if(met)
      hex_range(program_range ${vaddr} ${vend})
      hex_range(file_range ${met_start} ${met_end})
      file(REMOVE "${PROGRAM}")
      message(FATAL_ERROR "zentro_glue: the program overlaps its data in RAM:\n"
                          "  ${PROGRAM} takes ${program_range},\n"
                          "  where caetla.bat uploads data\\${met} (${file_range}).\n"
                          "  Move the data up with a start address line in memcfg.cfg, "
                          "or make the program smaller.")
    endif()
  endforeach()
  return()
endif()

file(MAKE_DIRECTORY "${GLUE}")
file(REMOVE "${GLUE}/stamp")

# GLUE/data: the data directory as zentro and the generated files see it.
# Made anew at each run, so that an entry added to the data directory is
# there; a link is removed as a link, never followed.
file(GLOB old LIST_DIRECTORIES true "${GLUE}/data/*")
foreach(entry IN LISTS old)
  if(IS_SYMLINK "${entry}")
    file(REMOVE "${entry}")
  endif()
endforeach()
file(REMOVE_RECURSE "${GLUE}/data")
file(MAKE_DIRECTORY "${GLUE}/data")
file(GLOB entries LIST_DIRECTORIES true RELATIVE "${DATA_DIR}" "${DATA_DIR}/*")
foreach(entry IN LISTS entries)
  file(CREATE_LINK "${DATA_DIR}/${entry}" "${GLUE}/data/${entry}" SYMBOLIC COPY_ON_ERROR)
endforeach()

set(args "")
if(GAS)
  set(args -asm)
endif()
if(CMAKE_HOST_WIN32)
  set(null NUL)
else()
  set(null /dev/null)
endif()
set(log "${GLUE}/zentro.log")
execute_process(COMMAND "${ZENTRO}" ${args} WORKING_DIRECTORY "${GLUE}/data" INPUT_FILE ${null}
                OUTPUT_FILE "${log}" RESULT_VARIABLE status)
execute_process(COMMAND "${CMAKE_COMMAND}" -E cat "${log}")
file(READ "${log}" output)
string(REGEX MATCHALL "(^|\n)Error [^\r\n]*" errors "${output}")
list(TRANSFORM errors STRIP)
if(errors)
  list(JOIN errors "\n  " errors)
  message(FATAL_ERROR "zentro in ${DATA_DIR} reported:\n  ${errors}")
endif()
if(NOT status MATCHES "^[0-9]+$")
  message(FATAL_ERROR "zentro could not run in ${DATA_DIR}: ${status}")
elseif(NOT status EQUAL 0)
  message(FATAL_ERROR "zentro in ${DATA_DIR} exited with status ${status}")
endif()

# The data files zentro read, from what it wrote about them.
if(GAS)
  file(READ "${GLUE}/data.s" text)
  string(REGEX MATCHALL "\tincbin \"data\\\\[^\r\n]*\"" names "${text}")
  list(TRANSFORM names REPLACE "^\tincbin \"data\\\\(.*)\"$" "\\1")
else()
  read_uploads(names addrs)
endif()

# One path of the dependency file, escaped as make and ninja read it.
function(depfile_path out path)
  string(REPLACE "$" "$$" path "${path}")
  string(REPLACE "#" "\\#" path "${path}")
  string(REPLACE " " "\\ " path "${path}")
  set(${out} "${path}" PARENT_SCOPE)
endfunction()

# CMake 3.25 rewrites the dependency file for ninja and drops the escapes
# of $ and #: a path holding one would never be found, and zentro would run
# in every build. Such a file is named through a link, GLUE/deps/N, which
# make and ninja follow to the file's time (and a removed file leaves the
# link dangling, which both take for a missing file).
file(REMOVE_RECURSE "${GLUE}/deps")
set(aliases 0)
depfile_path(line "${GLUE}/stamp")
set(depfile "${line}:")
foreach(name IN ITEMS memcfg.cfg LISTS names)
  if(CMAKE_HOST_WIN32)
    string(REPLACE "\\" "/" name "${name}")
  endif()
  set(path "${DATA_DIR}/${name}")
  if(path MATCHES "[$#]")
    file(MAKE_DIRECTORY "${GLUE}/deps")
    file(CREATE_LINK "${path}" "${GLUE}/deps/${aliases}" RESULT linked SYMBOLIC)
    if(linked EQUAL 0)
      set(path "${GLUE}/deps/${aliases}")
    endif()
    math(EXPR aliases "${aliases} + 1")
  endif()
  depfile_path(line "${path}")
  string(APPEND depfile " \\\n  ${line}")
endforeach()

if(GAS)
  execute_process(COMMAND "${GAS}" "${GLUE}/data.s" "${GLUE}/data-gas.s" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "zentro-gas could not convert ${GLUE}/data.s (status ${status})")
  endif()
endif()
file(WRITE "${GLUE}/glue.d" "${depfile}\n")
# CMake 3.25's Makefile generator adds the files of each new dependency file
# to those it recorded before, so a file no longer named stays a dependency
# (and, once removed, reruns zentro in every build). Without its record it
# reads every dependency file of the target afresh.
if(MAKE_DEPENDS)
  file(REMOVE "${MAKE_DEPENDS}")
endif()
file(TOUCH "${GLUE}/stamp")
