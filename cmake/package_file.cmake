# Makes one file that the packages ship from its source, the same bytes on
# every build:
#   cmake -DFORM=gzip|crlf|manual -DIN=source -DOUT=target -P package_file.cmake
# gzip: compressed as Debian wants it, at most and without name or time;
# crlf: a text with CR LF line ends, for Windows;
# manual: a manual page rendered as plain text with CR LF line ends.
if(FORM STREQUAL "gzip")
  execute_process(COMMAND gzip -9 -n -c INPUT_FILE "${IN}" OUTPUT_FILE "${OUT}"
                  COMMAND_ERROR_IS_FATAL ANY)
  return()
endif()

if(FORM STREQUAL "manual")
  # No overstrike, underline or colour: a plain text any editor shows.
  execute_process(COMMAND groff -man -Tascii -P-cbou "${IN}" OUTPUT_VARIABLE text
                  COMMAND_ERROR_IS_FATAL ANY)
elseif(FORM STREQUAL "crlf")
  file(READ "${IN}" text)
else()
  message(FATAL_ERROR "unknown FORM '${FORM}'")
endif()
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUT}" "${text}")
