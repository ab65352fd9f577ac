# Read by cpack once per generator. The Debian package takes the programs
# and its own files (the "debian" component, which the archives leave out),
# laid out under /usr; the archives keep their layout.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_COMPONENTS_ALL programs debian)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
      "scheduled tasks in the Task Scheduler 1.0 format, run through cron")
endif()
