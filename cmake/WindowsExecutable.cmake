# jobwarden_windows_executable(target)
#
# Makes a console program of ours a self-contained Windows executable:
# - what it uses of MinGW's C++ runtime and GCC's support library is linked
#   in (-static, -static-libgcc, -static-libstdc++), so the .exe needs no
#   MinGW DLL beside it and runs on a bare Windows or Wine with only the
#   system's own DLLs (kernel32, the shared C runtime msvcrt, ole32);
# - the application manifest of windows/application.manifest is compiled
#   in as a resource (asInvoker, and the supportedOS list that keeps newer
#   Windows from shimming GetVersionEx).
# On other hosts it does nothing, so callers need no condition of their own.
# Named from this file's place, so that a project of its own that includes
# it (bench/) finds them too.
set(JOBWARDEN_WINDOWS_DIR ${CMAKE_CURRENT_LIST_DIR}/../windows)
if(WIN32)
  enable_language(RC)  # windres compiles the manifest resource
endif()
set(JOBWARDEN_WINDOWS_RESOURCES ${JOBWARDEN_WINDOWS_DIR}/application_manifest.rc)

function(jobwarden_windows_executable target)
  if(NOT WIN32)
    return()
  endif()
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  target_sources(${target} PRIVATE ${JOBWARDEN_WINDOWS_RESOURCES})
  # windres resolves the manifest path relative to its working directory,
  # not to the script; name the folder that holds both.
  set_property(SOURCE ${JOBWARDEN_WINDOWS_RESOURCES} APPEND PROPERTY
               INCLUDE_DIRECTORIES ${JOBWARDEN_WINDOWS_DIR})
endfunction()
