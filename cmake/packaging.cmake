# Installation and packages: the two programs, their manual pages compressed
# as Debian ships them, and the copyright and changelog files that every
# Debian package carries (make install PREFIX=DIR, make package).
include(GNUInstallDirs)
# The install step builds nothing, so cpack, which runs it, packs the tree as it
# is (the package test runs cpack on this tree); make install and make package
# build first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

# Pages and the changelog compressed without name or time stamp (gzip -9n),
# so that the same sources always give the same package.
find_program(PREFLISTER_GZIP gzip)
mark_as_advanced(PREFLISTER_GZIP)
set(packaged_docs_dir ${PROJECT_BINARY_DIR}/packaged-docs)
set(packaged_docs)
foreach(source doc/preflister.1 doc/preflist-report.1 doc/changelog)
  get_filename_component(name ${source} NAME)
  set(plain ${packaged_docs_dir}/${name})
  if(PREFLISTER_GZIP)
    add_custom_command(OUTPUT ${plain}.gz
      COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/${source} ${plain}
      COMMAND ${PREFLISTER_GZIP} -9nf ${plain}
      DEPENDS ${PROJECT_SOURCE_DIR}/${source}
      COMMENT "Compressing ${source}"
      VERBATIM)
    list(APPEND packaged_docs ${plain}.gz)
  else()
    configure_file(${PROJECT_SOURCE_DIR}/${source} ${plain} COPYONLY)
    list(APPEND packaged_docs ${plain})
  endif()
endforeach()
if(NOT PREFLISTER_GZIP)
  message(STATUS "gzip not found: manual pages and changelog are installed uncompressed")
endif()
add_custom_target(packaged_docs ALL DEPENDS ${packaged_docs})
set(pages ${packaged_docs})
list(FILTER pages INCLUDE REGEX "\\.1(\\.gz)?$")
set(changelog ${packaged_docs})
list(FILTER changelog INCLUDE REGEX "/changelog(\\.gz)?$")

install(TARGETS preflister preflist-report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Stripped as Debian strips a program (dh_strip): the symbols, and the
# sections that only name the compiler.
foreach(program preflister preflist-report)
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
  execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}${CMAKE_EXECUTABLE_SUFFIX}\"
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR \"stripping ${program} failed\")
  endif()
endif()")
endforeach()
install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES doc/copyright ${changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Packages (make package): a .tar.gz and a Debian package in <build>/packages.
set(PREFLISTER_PACKAGE_MAINTAINER "preflister maintainers <preflister@example.org>"
  CACHE STRING "Maintainer named in the Debian package")
set(CPACK_PACKAGE_NAME preflister)
set(CPACK_PACKAGE_VENDOR "preflister")
set(CPACK_PACKAGE_CONTACT "${PREFLISTER_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "list the record prefaces of a station's raw data file")
set(CPACK_PACKAGE_DESCRIPTION "preflister reads a station's raw data file of 4096-byte records and
appends one line per record, with the record's type and the date and time of
its preface, to the listing file preflist in the current directory, while the
console shows its progress. preflist-report summarises such listings, writes
their records and the gaps in their record times as CSV or JSON Lines, and
draws an availability picture of the stations as SVG.")
set(CPACK_GENERATOR "TGZ;DEB")
set(CPACK_PACKAGE_DIRECTORY "${PROJECT_BINARY_DIR}/packages")
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${PREFLISTER_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies come from dpkg-shlibdeps, which needs file(1) too;
# without them the package names the C and C++ runtime libraries itself.
find_program(PREFLISTER_SHLIBDEPS dpkg-shlibdeps)
find_program(PREFLISTER_FILE_CMD file)
mark_as_advanced(PREFLISTER_SHLIBDEPS PREFLISTER_FILE_CMD)
if(PREFLISTER_SHLIBDEPS AND PREFLISTER_FILE_CMD)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6")
endif()
include(CPack)
