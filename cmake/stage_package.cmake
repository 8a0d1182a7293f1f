# Runs in cpack after the files are staged and before they are packed: makes
# the package the same bytes on every build of one commit, whatever the
# build's time, time zone and umask.

# Read by the strip of a Windows program for its time stamp, by CPack's deb
# for its archive headers, and by the zip's writer, whose DOS times are local.
set(ENV{SOURCE_DATE_EPOCH} ${CPACK_ZORWOL_SOURCE_DATE_EPOCH})
set(ENV{TZ} UTC0)

set(root ${CPACK_TEMPORARY_INSTALL_DIRECTORY})
file(GLOB_RECURSE programs "${root}/*/bin/zorwol" "${root}/zorwol.exe")
foreach(program IN LISTS programs)
  # The compilers' version notes go with the symbols: nothing the program needs.
  execute_process(COMMAND ${CPACK_ZORWOL_STRIP} --strip-all --remove-section=.comment ${program}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()

# Folders and programs 0755, other files 0644, all at the one time.
execute_process(COMMAND chmod -R u+rw,go=rX ${root} COMMAND_ERROR_IS_FATAL ANY)
file(GLOB_RECURSE staged LIST_DIRECTORIES true "${root}/*")
execute_process(COMMAND touch --no-dereference --date=@${CPACK_ZORWOL_SOURCE_DATE_EPOCH}
                        ${root} ${staged}
                COMMAND_ERROR_IS_FATAL ANY)
