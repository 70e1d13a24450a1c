# The distribution's hardening flags for the Linux programs: fortified C
# library calls, the stack protector, and a read-only relocation table bound
# at start-up. dpkg-buildflags gives them where it exists (with bindnow asked
# for, as Debian asks for it in packages it hardens fully); its optimisation,
# debugging and path-mapping flags are left out, since each build type keeps
# its own and a profile-guided build must see the same paths in both steps.
# Not for Windows: there _FORTIFY_SOURCE does not link and the stack
# protector's runtime imports a DLL beyond the system's own. Not for the
# sanitizer and fuzzing builds, whose runtimes replace the checked calls.
option(PREFLISTER_HARDENING "Build the Linux programs with the distribution's hardening flags" ON)

set(PREFLISTER_HARDENED OFF)
if(PREFLISTER_HARDENING AND NOT WIN32 AND NOT PREFLISTER_SANITIZE AND NOT PREFLISTER_FUZZ)
  set(PREFLISTER_HARDENED ON)
  find_program(PREFLISTER_DPKG_BUILDFLAGS dpkg-buildflags)
  mark_as_advanced(PREFLISTER_DPKG_BUILDFLAGS)
  set(hardening_compile -D_FORTIFY_SOURCE=2 -fstack-protector-strong -Wformat -Werror=format-security)
  set(hardening_link -Wl,-z,relro -Wl,-z,now)
  if(PREFLISTER_DPKG_BUILDFLAGS)
    set(hardening_compile)
    set(hardening_link)
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
      execute_process(
        COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+bindnow
                ${PREFLISTER_DPKG_BUILDFLAGS} --get ${kind}
        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
      if(NOT rc EQUAL 0)
        message(FATAL_ERROR "dpkg-buildflags --get ${kind} failed (${rc}); configure with -DPREFLISTER_HARDENING=OFF "
                            "to build without the hardening flags")
      endif()
      separate_arguments(flags UNIX_COMMAND "${flags}")
      list(FILTER flags EXCLUDE REGEX "^-(O|g|ffile-prefix-map=|fdebug-prefix-map=|fmacro-prefix-map=)")
      if(kind STREQUAL "LDFLAGS")
        list(APPEND hardening_link ${flags})
      else()
        list(APPEND hardening_compile ${flags})
      endif()
    endforeach()
  endif()
  add_compile_options(${hardening_compile})
  add_link_options(${hardening_link})
  message(STATUS "Hardening: ${hardening_compile} ${hardening_link}")
endif()
