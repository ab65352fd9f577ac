# Release archives, made with `cpack` in a build folder:
#   Windows targets  Jobwarden-<version>-win32.zip / -win64.zip: both .exe
#                    files at the top, beside README and licence; the
#                    executables are self-contained (WindowsExecutable.cmake)
#   Linux            Jobwarden-<version>-Linux.tar.gz: bin/ with both
#                    programs and jobwarden-service (which runs the stored
#                    tasks through cron), README and licence at the top
#   Debian           jobwarden_<version>_<arch>.deb, with `cpack -G DEB`
#                    (DebianPackage.cmake)
# Included last, once the programs' targets exist.
if(WIN32)
  set(jobwarden_bin_dir .)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
  set(CPACK_GENERATOR ZIP)
else()
  set(jobwarden_bin_dir bin)
  set(CPACK_GENERATOR TGZ)
endif()

install(TARGETS Jobwarden osreport RUNTIME DESTINATION ${jobwarden_bin_dir} COMPONENT programs)
if(NOT WIN32)
  install(TARGETS jobwarden-service RUNTIME DESTINATION ${jobwarden_bin_dir} COMPONENT programs)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION . COMPONENT archive)

set(CPACK_PACKAGE_NAME Jobwarden)
set(CPACK_PACKAGE_VENDOR "The Jobwarden developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Command-line front end to the Windows Task Scheduler, and osreport")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
if(NOT WIN32)
  include(cmake/DebianPackage.cmake)
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/CPackOptions.cmake)
endif()
include(CPack)
