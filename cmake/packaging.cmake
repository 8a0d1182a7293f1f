# What zorwol ships, and how: the installed files, the .deb and the Windows
# zip, made so that two builds of one commit give the same bytes.

# The time that binaries and packages carry instead of the build's:
# SOURCE_DATE_EPOCH where it is set, else the time of the last commit, else
# the release date (a source tree without git).
set(ZORWOL_SOURCE_DATE_EPOCH 1796947200)
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ZORWOL_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE git_result ERROR_QUIET)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --absolute-git-dir
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE git_dir OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(git_result EQUAL 0 AND commit_time MATCHES "^[0-9]+$")
      set(ZORWOL_SOURCE_DATE_EPOCH ${commit_time})
      # A new commit configures again, so the time follows it.
      if(EXISTS "${git_dir}/logs/HEAD")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${git_dir}/logs/HEAD")
      endif()
    endif()
  endif()
endif()
if(NOT ZORWOL_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH must be a count of seconds: '${ZORWOL_SOURCE_DATE_EPOCH}'")
endif()
if(WIN32)
  # The linker stamps a Windows program with this time.
  set_property(TARGET zorwol PROPERTY CXX_LINKER_LAUNCHER
               ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${ZORWOL_SOURCE_DATE_EPOCH})
endif()

# Folders that an install makes are 0755, whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The files that go beside the program, made in the build folder.
set(staged ${PROJECT_BINARY_DIR}/package)
set(package_file -P ${PROJECT_SOURCE_DIR}/cmake/package_file.cmake)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
string(REGEX MATCH "Copyright \\(c\\) [^\n]+" ZORWOL_COPYRIGHT "${licence}")
string(REGEX REPLACE "^Copyright \\(c\\) " "" holder "${ZORWOL_COPYRIGHT}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS LICENSE)

if(WIN32)
  # The version resource and the manifest, compiled into zorwol.exe.
  enable_language(RC)
  set(ZORWOL_VERSION_DOTS ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0)
  string(REPLACE "." "," ZORWOL_VERSION_COMMAS ${ZORWOL_VERSION_DOTS})
  set(ZORWOL_MANIFEST ${PROJECT_SOURCE_DIR}/packaging/windows/zorwol.manifest)
  configure_file(packaging/windows/zorwol.rc.in ${PROJECT_BINARY_DIR}/zorwol.rc @ONLY)
  target_sources(zorwol PRIVATE ${PROJECT_BINARY_DIR}/zorwol.rc)
  set_property(SOURCE ${PROJECT_BINARY_DIR}/zorwol.rc APPEND PROPERTY OBJECT_DEPENDS
               ${ZORWOL_MANIFEST})

  # Plain text with CR LF line ends: the manual rendered, and the licence.
  add_custom_command(OUTPUT ${staged}/README.txt ${staged}/LICENSE.txt
    COMMAND ${CMAKE_COMMAND} -DFORM=manual -DIN=${PROJECT_SOURCE_DIR}/doc/zorwol.1
            -DOUT=${staged}/README.txt ${package_file}
    COMMAND ${CMAKE_COMMAND} -DFORM=crlf -DIN=${PROJECT_SOURCE_DIR}/LICENSE
            -DOUT=${staged}/LICENSE.txt ${package_file}
    DEPENDS doc/zorwol.1 LICENSE cmake/package_file.cmake VERBATIM)
  add_custom_target(zorwol_package_files ALL
    DEPENDS ${staged}/README.txt ${staged}/LICENSE.txt)

  install(TARGETS zorwol RUNTIME DESTINATION .)
  install(FILES ${staged}/README.txt ${staged}/LICENSE.txt DESTINATION .)
else()
  # The licence in Debian's machine-readable copyright format.
  string(FIND "${licence}" "Permission is hereby granted" terms_start)
  string(SUBSTRING "${licence}" ${terms_start} -1 terms)
  string(STRIP "${terms}" terms)
  string(REPLACE "\n\n" "\n.\n" terms "${terms}")
  string(REPLACE "\n" "\n " terms "${terms}")
  file(CONFIGURE OUTPUT ${staged}/copyright CONTENT
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: zorwol

Files: *
Copyright: ${holder}
License: Expat
 ${terms}
")

  add_custom_command(OUTPUT ${staged}/zorwol.1.gz ${staged}/changelog.Debian.gz
    COMMAND ${CMAKE_COMMAND} -DFORM=gzip -DIN=${PROJECT_SOURCE_DIR}/doc/zorwol.1
            -DOUT=${staged}/zorwol.1.gz ${package_file}
    COMMAND ${CMAKE_COMMAND} -DFORM=gzip -DIN=${PROJECT_SOURCE_DIR}/packaging/debian/changelog
            -DOUT=${staged}/changelog.Debian.gz ${package_file}
    DEPENDS doc/zorwol.1 packaging/debian/changelog cmake/package_file.cmake VERBATIM)
  add_custom_target(zorwol_package_files ALL
    DEPENDS ${staged}/zorwol.1.gz ${staged}/changelog.Debian.gz)

  include(GNUInstallDirs)
  install(TARGETS zorwol RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${staged}/zorwol.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${staged}/copyright ${staged}/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES packaging/debian/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME zorwol)
endif()

set(CPACK_PACKAGE_NAME zorwol)
set(CPACK_PACKAGE_VENDOR "zorwol developers")
set(CPACK_PACKAGE_CONTACT "zorwol developers <dev@zorwol.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "wake computers over IPv4 with a framed magic packet")
# Debian shows it as it stands: lines of at most 79 characters.
set(CPACK_PACKAGE_DESCRIPTION
"zorwol wakes computers over an IPv4 network. For each target it builds one
wake packet, a standard magic packet framed by two markers with an optional
password of up to 8 bytes, and sends it by UDP to the given address and port
three times, 10 ms apart.

Targets come as one target, a list on the command line, or a file of address
and MAC lines. Every message goes to standard output, and the exit status
tells whether every target was served, so wake-ups can be scripted.")
# The scripts strip the program and set times and modes.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/stage_package.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/finish_package.cmake)
set(CPACK_ZORWOL_SOURCE_DATE_EPOCH ${ZORWOL_SOURCE_DATE_EPOCH})
set(CPACK_ZORWOL_STRIP ${CMAKE_STRIP})
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  # Unpacks into the folder the administrator chooses.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_PACKAGE_FILE_NAME "zorwol-${PROJECT_VERSION}-windows-x86_64")
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
  set(CPACK_DEBIAN_PACKAGE_SECTION net)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
