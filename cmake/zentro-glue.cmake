# The build steps of zentro_glue() (zentroConfig.cmake), installed beside it:
#
#   cmake -DZENTRO=<zentro> -DGAS=<zentro-gas or empty> -DMAP=<zentro-map>
#         [-DMAP_ARGS=<arg>|<arg>...] -DDATA_DIR=<dir> -DGLUE=<dir>
#         [-DMAKE_DEPENDS=<file>] -P zentro-glue.cmake
#   cmake -DMAP=<zentro-map> [-DMAP_ARGS=...] -DPROGRAM=<linked program>
#         [-DEXE=<file>] -DGLUE=<dir> -P zentro-glue.cmake
#   cmake -DSHADOWS=<dir>|<dir>... -DGLUE=<dir> -P zentro-glue.cmake
#
# The first runs zentro for one target. GLUE, in the build tree, is that
# target's project root: GLUE/data holds a link to every entry of DATA_DIR
# (a copy where links cannot be made), and zentro runs in it (with -asm when
# GAS is given), standard input from the null device, and writes its files
# into GLUE; what it printed is shown. Fails when zentro exits with a status
# other than 0 or prints a line beginning with "Error ". Else turns data.s
# into GLUE/data-gas.s with GAS, runs zentro-map on GLUE (its summary
# shown, its picture in GLUE/map.svg; it fails on images that overwrite
# each other, data files that do), writes GLUE/glue.d (memcfg.cfg and
# every data file zentro read, in DATA_DIR) and touches GLUE/stamp, which
# is removed first, so that a failed run is made again by the next build.
# MAKE_DEPENDS is the Makefile generator's record of the target's
# dependencies.
#
# The second runs zentro-map after the link, with the program: when the
# program overlaps its data or runs past the end of RAM, the program is
# removed, and so is EXE when it is a PS-X EXE made from it (PSn00bSDK's
# elf2x writes one beside it first), and the build fails.
#
# The third fails while one of the directories holds an addrs.h, which a
# source would include in place of GLUE/addrs.h; else touches GLUE/shadows.
cmake_minimum_required(VERSION 3.25)

# map(ARGS...): runs zentro-map on GLUE with MAP_ARGS and ARGS, its picture
# in GLUE/map.svg; sets map_status.
macro(map)
  string(REPLACE "|" ";" map_args "${MAP_ARGS}")
  execute_process(COMMAND "${MAP}" ${map_args} -o "${GLUE}/map.svg" "${GLUE}" ${ARGN}
                  RESULT_VARIABLE map_status)
endmacro()

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
  map("${PROGRAM}")
  if(NOT map_status EQUAL 0)
    file(REMOVE "${PROGRAM}")
    if(EXE AND EXISTS "${EXE}")
      file(READ "${EXE}" magic LIMIT 8)
      if(magic STREQUAL "PS-X EXE")
        file(REMOVE "${EXE}")
      endif()
    endif()
    message(FATAL_ERROR "zentro_glue: ${PROGRAM} cannot run with its data (zentro-map, above); "
                        "it was removed")
  endif()
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
map()
if(NOT map_status EQUAL 0)
  message(FATAL_ERROR "zentro_glue: zentro-map found the errors above in the glue of ${DATA_DIR}")
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
