# The run-time protections Debian gives its own packages (dpkg-buildflags
# with hardening=+all), for every Linux build of ours and not only for the
# packages: a stack protector, calls whose buffer sizes the compiler knows
# checked at run time (_FORTIFY_SOURCE), format strings checked, relocations
# read-only once loaded with every symbol bound at load time (full RELRO and
# immediate binding), and position-independent programs, so that the loader
# can place them anywhere. MinGW builds get the stack protector and the
# linker's marks for address randomisation and a stack and heap that do not
# run code (DYNAMIC_BASE, HIGH_ENTROPY_VA, NX). The browser build has no use
# for any of it.
option(TREVALK_HARDENING "Build with the run-time protections of Debian's packages" ON)
if(NOT TREVALK_HARDENING OR NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  return()
endif()

if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  include(CheckPIESupported)
  check_pie_supported(LANGUAGES C CXX)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
  add_link_options(-Wl,-z,relro -Wl,-z,now)
  # The checked calls need the optimiser's knowledge of buffer sizes: an
  # unoptimised build gets a warning from the C library instead. They stay
  # out of the sanitizer builds, where AddressSanitizer checks the plain
  # calls more closely than their checked forms, and out of a build whose
  # flags set them already (Debian's).
  if(NOT TREVALK_SANITIZE AND NOT "${CMAKE_C_FLAGS} ${CMAKE_CXX_FLAGS}" MATCHES "_FORTIFY_SOURCE")
    add_compile_definitions(
      $<$<OR:$<CONFIG:Release>,$<CONFIG:RelWithDebInfo>,$<CONFIG:MinSizeRel>>:_FORTIFY_SOURCE=2>)
  endif()
elseif(MINGW)
  # The stack protector's run-time part comes from libssp; the static link
  # of the programs and the library (-static) puts it inside them, so they
  # still need no DLL beyond the system's.
  add_compile_options(-fstack-protector-strong)
  add_link_options(-fstack-protector-strong -Wl,--dynamicbase -Wl,--high-entropy-va
    -Wl,--nxcompat)
endif()
