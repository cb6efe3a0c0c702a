# What `cmake --install` puts in place: the programs, their desktop entry and
# icon, the AppStream metainfo, the man page, the copyright and changelog and
# a systemd user unit that runs the program headless.
include(GNUInstallDirs)

set(JOSTLE_RES_DIR ${CMAKE_CURRENT_LIST_DIR})

# The programs this build makes (the tests check that each is installed).
set(JOSTLE_PROGRAMS)
foreach(program jostle jostle-headless)
    if(TARGET ${program})
        list(APPEND JOSTLE_PROGRAMS ${program})
    endif()
endforeach()
install(TARGETS ${JOSTLE_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The desktop's entry, icon and metainfo only where the desktop program is.
if(TARGET jostle)
    install(FILES ${JOSTLE_RES_DIR}/jostle.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${JOSTLE_RES_DIR}/icons/128.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME jostle.svg)
    install(FILES ${JOSTLE_RES_DIR}/org.example.jostle.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# The man page and the changelog are installed compressed, as Debian wants
# them, without a name or a time in the gzip header so that builds agree.
set(JOSTLE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/jostle)
set(jostle_gzipped)
foreach(file jostle.1 changelog)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/gz/${file}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${JOSTLE_RES_DIR}/${file} ${CMAKE_BINARY_DIR}/gz/${file}
        COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/gz/${file}
        DEPENDS ${JOSTLE_RES_DIR}/${file}
        COMMENT "Compressing ${file}")
    list(APPEND jostle_gzipped ${CMAKE_BINARY_DIR}/gz/${file}.gz)
endforeach()
add_custom_target(jostle_gzipped_docs ALL DEPENDS ${jostle_gzipped})
install(FILES ${CMAKE_BINARY_DIR}/gz/jostle.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# jostle-headless is described in the same page.
install(CODE "
    file(CREATE_LINK jostle.1.gz
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_MANDIR}/man1/jostle-headless.1.gz\"
         SYMBOLIC)
")
install(FILES ${CMAKE_BINARY_DIR}/gz/changelog.gz ${JOSTLE_RES_DIR}/copyright
        DESTINATION ${JOSTLE_DOC_DIR})

# The unit names the program by its absolute path, so the path is filled in
# when installing: the prefix may be chosen only then (--prefix). Each prefix
# stages its own copy, as two installs may run at once (a test and cpack).
# systemd looks for user units in share/systemd/user under /usr, /usr/local
# and ~/.local alike, but in lib/systemd/user only under /usr and /usr/local.
install(CODE "
    set(JOSTLE_BINARY \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/jostle-headless\")
    string(MD5 jostle_prefix_id \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    set(jostle_unit \"${CMAKE_BINARY_DIR}/unit-\${jostle_prefix_id}/jostle.service\")
    configure_file(\"${JOSTLE_RES_DIR}/jostle.service\" \"\${jostle_unit}\" @ONLY)
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/systemd/user\"
         TYPE FILE FILES \"\${jostle_unit}\")
")
