# What `cmake --install` puts in place: the programs, their desktop entry and
# icon, the AppStream metainfo, the man page and a systemd user unit that runs
# the program headless.
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
install(FILES ${JOSTLE_RES_DIR}/jostle.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

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
