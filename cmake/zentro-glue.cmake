# The build step of zentro_glue() (zentroConfig.cmake), installed beside it:
#
#   cmake -DZENTRO=<zentro> -DGAS=<zentro-gas or empty> -DDATA_DIR=<dir>
#         -DWORK=<dir> [-DMAKE_DEPENDS=<file>] -P zentro-glue.cmake
#
# Runs zentro in DATA_DIR (with -asm when GAS is given) with standard input
# from the null device and shows what it printed. Fails when zentro exits
# with a status other than 0 or prints a line beginning with "Error ". Else
# turns data.s into WORK/data-gas.s with GAS, writes WORK/glue.d (memcfg.cfg
# and every data file zentro read) and touches WORK/stamp, which is removed
# first, so that a failed run is made again by the next build. MAKE_DEPENDS
# is the Makefile generator's record of the target's dependencies.
cmake_minimum_required(VERSION 3.25)

get_filename_component(root "${DATA_DIR}" DIRECTORY)
file(MAKE_DIRECTORY "${WORK}")
file(REMOVE "${WORK}/stamp")

set(args "")
if(GAS)
  set(args -asm)
endif()
if(CMAKE_HOST_WIN32)
  set(null NUL)
else()
  set(null /dev/null)
endif()
set(log "${WORK}/zentro.log")
execute_process(COMMAND "${ZENTRO}" ${args} WORKING_DIRECTORY "${DATA_DIR}" INPUT_FILE ${null}
                OUTPUT_FILE "${log}" RESULT_VARIABLE status)
execute_process(COMMAND "${CMAKE_COMMAND}" -E cat "${log}")
file(READ "${log}" output)
string(REGEX MATCHALL "(^|\n)Error [^\r\n]*" errors "${output}")
list(TRANSFORM errors STRIP)
if(errors)
  list(JOIN errors "\n  " errors)
  message(FATAL_ERROR "zentro in ${DATA_DIR} reported:\n  ${errors}")
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "zentro in ${DATA_DIR} exited with status ${status}")
endif()

# The data files zentro read, from what it wrote about them.
if(GAS)
  file(READ "${root}/data.s" text)
  string(REGEX MATCHALL "\tincbin \"data\\\\[^\r\n]*\"" names "${text}")
  list(TRANSFORM names REPLACE "^\tincbin \"data\\\\(.*)\"$" "\\1")
else()
  file(READ "${root}/caetla.bat" text)
  string(REGEX MATCHALL "catflap up data\\\\[^\r\n]* [0-9A-F]+" names "${text}")
  list(TRANSFORM names REPLACE "^catflap up data\\\\(.*) [0-9A-F]+$" "\\1")
endif()

# One path of the dependency file, escaped as make and ninja read it.
function(depfile_path out path)
  string(REPLACE "$" "$$" path "${path}")
  string(REPLACE "#" "\\#" path "${path}")
  string(REPLACE " " "\\ " path "${path}")
  set(${out} "${path}" PARENT_SCOPE)
endfunction()

depfile_path(line "${WORK}/stamp")
set(depfile "${line}:")
foreach(name IN ITEMS memcfg.cfg LISTS names)
  if(CMAKE_HOST_WIN32)
    string(REPLACE "\\" "/" name "${name}")
  endif()
  depfile_path(line "${DATA_DIR}/${name}")
  string(APPEND depfile " \\\n  ${line}")
endforeach()

if(GAS)
  execute_process(COMMAND "${GAS}" "${root}/data.s" "${WORK}/data-gas.s" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "zentro-gas could not convert ${root}/data.s (status ${status})")
  endif()
endif()
file(WRITE "${WORK}/glue.d" "${depfile}\n")
# CMake 3.25's Makefile generator adds the files of each new dependency file
# to those it recorded before, so a file no longer named stays a dependency
# (and, once removed, reruns zentro in every build). Without its record it
# reads every dependency file of the target afresh.
if(MAKE_DEPENDS)
  file(REMOVE "${MAKE_DEPENDS}")
endif()
file(TOUCH "${WORK}/stamp")
