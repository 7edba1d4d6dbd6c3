# Run by cpack on its staging tree before it packs, for what Debian wants of a package
# but an installation does not need: manual pages and changelogs compressed at the
# highest level without a time stamp, and the program also in /usr/games.
file(GLOB_RECURSE staged LIST_DIRECTORIES false ${CPACK_TEMPORARY_DIRECTORY}/*)
list(FILTER staged INCLUDE REGEX "/share/(man/man[1-9]/[^/]+\\.[1-9]|doc/[^/]+/changelog)$")
foreach(f IN LISTS staged)
  execute_process(COMMAND gzip -9nf ${f} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "gzip ${f} failed")
  endif()
endforeach()

set(prefix ${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
if(EXISTS ${prefix}/bin/planeto)
  file(MAKE_DIRECTORY ${prefix}/games)
  file(CREATE_LINK ../bin/planeto ${prefix}/games/planeto SYMBOLIC)
endif()
