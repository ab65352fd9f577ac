# The Windows release programs are small console tools that query or hand
# over a few records; size, not speed, is what their users notice. Their
# release build is optimised for size, each function and datum goes into a
# section of its own, and the linker drops every section nothing refers to.
if(NOT WIN32)
  return()
endif()
add_compile_options($<$<CONFIG:Release>:-Os> -ffunction-sections -fdata-sections)
add_link_options(-Wl,--gc-sections)
# Only KERNEL32 by default, not CMake's list of every desktop library
# (libuuid's table of identifiers among them); each target names the rest.
set(CMAKE_CXX_STANDARD_LIBRARIES -lkernel32)
