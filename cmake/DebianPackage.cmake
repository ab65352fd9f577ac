# The Debian package, made by `cpack -G DEB` in a Linux build folder:
# jobwarden_<version>_<arch>.deb with the three programs in /usr/bin, a
# manual page for each (man/), the copyright file and changelog that
# Debian Policy asks for (and lintian's overrides), and the system service:
# /etc/cron.d/jobwarden, a conffile, with the postrm that purges what the
# service made (cmake/debian/). Its files beyond the programs are the "debian"
# component, excluded from the default installation so that the tar.gz
# keeps its contents; cmake/CPackOptions.cmake gives the DEB generator both
# components.
set(JOBWARDEN_DEB_MAINTAINER "The Jobwarden developers <jobwarden@example.org>"
    CACHE STRING "Maintainer field of the Debian package, a name and a mail address")

find_program(JOBWARDEN_GZIP gzip REQUIRED)
set(debian_dir ${PROJECT_BINARY_DIR}/debian)

# Compressed as Debian wants them: best compression, and no file name or
# time stamp in the header, so that the same page gives the same bytes.
function(jobwarden_gzip_for_debian source output)
  add_custom_command(
    OUTPUT ${output}
    COMMAND sh -c "\"$1\" -9n -c \"$2\" > \"$3\"" sh ${JOBWARDEN_GZIP} ${source} ${output}
    DEPENDS ${source}
    VERBATIM)
endfunction()

set(manual_pages Jobwarden.1 osreport.1 jobwarden-service.1)
set(compressed_pages)
foreach(page IN LISTS manual_pages)
  jobwarden_gzip_for_debian(${PROJECT_SOURCE_DIR}/man/${page} ${debian_dir}/${page}.gz)
  list(APPEND compressed_pages ${debian_dir}/${page}.gz)
endforeach()

# The copyright file in Debian's machine-readable format, its licence text
# taken from LICENSE so that the two never differ.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]+)" copyright_line "${license}")
set(jobwarden_copyright_holder "${CMAKE_MATCH_1}")
string(FIND "${license}" "Permission is hereby granted" grant_start)
string(SUBSTRING "${license}" ${grant_start} -1 license_text)
string(STRIP "${license_text}" license_text)
# Continuation lines begin with a blank; an empty line is written " .".
string(REPLACE "\n\n" "\n.\n" license_text "${license_text}")
string(REPLACE "\n" "\n " jobwarden_license_text " ${license_text}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in ${debian_dir}/copyright @ONLY)

configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${debian_dir}/changelog @ONLY)
jobwarden_gzip_for_debian(${debian_dir}/changelog ${debian_dir}/changelog.gz)

add_custom_target(debian_package_files ALL DEPENDS ${compressed_pages} ${debian_dir}/changelog.gz)

install(FILES ${compressed_pages} DESTINATION share/man/man1 COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${debian_dir}/copyright ${debian_dir}/changelog.gz
        DESTINATION share/doc/jobwarden COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/lintian-overrides
        DESTINATION share/lintian/overrides RENAME jobwarden COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/jobwarden.cron.d
        DESTINATION /etc/cron.d RENAME jobwarden COMPONENT debian EXCLUDE_FROM_ALL)

set(CPACK_DEBIAN_PACKAGE_NAME jobwarden)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${JOBWARDEN_DEB_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The C library from dpkg-shlibdeps (the C++ runtime is linked in), and a
# cron to start jobwarden-service.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "cron | cron-daemon")
# Written whole (CPack has no debhelper to fill in #DEBHELPER#), each with
# the mode Debian wants: 0755 for the script, 0644 for the list.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/cmake/debian/conffiles ${PROJECT_SOURCE_DIR}/cmake/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The summary, first line of the description, is set for the DEB generator
# alone in CPackOptions.cmake: on Linux there is no Windows to front.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Jobwarden creates, deletes and lists scheduled tasks from the command line
with Windows-style switches (/create, /delete, /query). The tasks are .job
files of the Task Scheduler 1.0 format, which can be copied to and from a
Windows task folder, and jobwarden-service, started by cron once a minute,
runs each one when it falls due.

osreport, the companion program, names the running Windows edition; on
Linux it reports that there is no Windows version record.")
