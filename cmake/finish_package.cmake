# Runs in cpack after the packages are made. CPack gives the members of a .deb
# the modes that the umask gave their files; set them to 0644, as dpkg-deb
# writes them, so that the umask leaves no mark. A member's header is 60
# bytes: its mode is 8 bytes at offset 40, its size 10 at offset 48.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.deb$")
    continue()
  endif()
  file(SIZE ${package} size)
  set(header 8)  # after "!<arch>\n"
  while(header LESS size)
    math(EXPR mode "${header} + 40")
    math(EXPR size_field "${header} + 48")
    file(READ ${package} member_size OFFSET ${size_field} LIMIT 10)
    execute_process(COMMAND printf "100644  "
                    COMMAND dd of=${package} bs=1 seek=${mode} conv=notrunc status=none
                    COMMAND_ERROR_IS_FATAL ANY)
    string(STRIP "${member_size}" member_size)
    # Members start at even offsets.
    math(EXPR header "${header} + 60 + ${member_size} + ${member_size} % 2")
  endwhile()
endforeach()
