# Renders the manual page as plain text with DOS line ends, for the Windows
# archive, where there is no man(1).
#   cmake -DMAN=zentro.1 -DOUT=zentro.txt -DGROFF=/usr/bin/groff -P man-text.cmake
# MANDOC may be given instead of GROFF.
if(GROFF)
  # -c with -b, -u and -o: no escape sequences, no overstriking.
  set(render ${GROFF} -man -Tascii -P-c -P-b -P-u -P-o ${MAN})
elseif(MANDOC)
  set(render ${MANDOC} -man -T ascii ${MAN})
else()
  message(FATAL_ERROR "man-text.cmake: give GROFF or MANDOC")
endif()
execute_process(COMMAND ${render} OUTPUT_VARIABLE text ERROR_VARIABLE errors
                RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR text STREQUAL "")
  message(FATAL_ERROR "rendering ${MAN} failed (${status}): ${errors}")
endif()
# mandoc marks bold and italics by overstriking: "x\bx" and "_\bx".
string(ASCII 8 backspace)
string(REGEX REPLACE ".${backspace}" "" text "${text}")
string(REPLACE "\r" "" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUT} "${text}")
