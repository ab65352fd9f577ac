# Our own code builds warning-free. Warnings are errors only where we ask
# for it (scripts/test-all, with -DJOBWARDEN_WERROR=ON): a user's build
# with a newer compiler must not fail on that compiler's new warnings.
option(JOBWARDEN_WERROR "Turn compiler warnings into errors (developers' and CI's builds)" OFF)

function(jobwarden_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
  if(JOBWARDEN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # MinGW's GCC 12 at -O3 reports maybe-uninitialized inside libstdc++'s
    # own std::wstring moves, not in our code; the native build keeps the
    # check.
    target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
  endif()
endfunction()
