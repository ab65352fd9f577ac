# Our own code builds warning-free; a new warning fails the build.
function(jobwarden_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Werror)
endfunction()
