# Run by CPack after it made the packages (CPACK_POST_BUILD_SCRIPTS).
# CPack writes postinst and postrm scripts that call ldconfig into a package
# with a shared library in /usr/lib; Debian wants the ldconfig trigger instead,
# which libquillport1 has (libquillport1.triggers). Its package is made again
# without those scripts.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "/libquillport1_[^/]*\\.deb$")
    continue()
  endif()
  set(tree ${CPACK_TOPLEVEL_DIRECTORY}/libquillport1-tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND dpkg-deb -R ${package} ${tree} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "dpkg-deb -R ${package} failed")
  endif()
  foreach(script postinst postrm)
    file(READ ${tree}/DEBIAN/${script} text)
    if(NOT text MATCHES "ldconfig")
      message(FATAL_ERROR "${package}: ${script} does more than call ldconfig:\n${text}")
    endif()
    file(REMOVE ${tree}/DEBIAN/${script})
  endforeach()
  execute_process(COMMAND dpkg-deb --root-owner-group -Zgzip -b ${tree} ${package}
                  OUTPUT_QUIET RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "dpkg-deb -b ${package} failed")
  endif()
  file(REMOVE_RECURSE ${tree})
endforeach()
