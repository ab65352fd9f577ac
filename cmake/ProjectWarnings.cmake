# Our own code builds warning-free; a new warning fails the build.
function(jobwarden_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Werror)
  if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # MinGW's GCC 12 at -O3 reports maybe-uninitialized inside libstdc++'s
    # own std::wstring moves, not in our code; the native build keeps the
    # check.
    target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
  endif()
endfunction()
