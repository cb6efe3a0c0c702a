# What `cmake --install` puts in place: the program, its desktop entry and
# icon, the man page and a systemd user unit that runs it headless.
include(GNUInstallDirs)

set(JOSTLE_RES_DIR ${CMAKE_CURRENT_LIST_DIR})

if(TARGET jostle)
    install(TARGETS jostle RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET jostle-headless)
    install(TARGETS jostle-headless RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${JOSTLE_RES_DIR}/jostle.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${JOSTLE_RES_DIR}/icons/128.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME jostle.svg)
install(FILES ${JOSTLE_RES_DIR}/jostle.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The unit names the program by its absolute path, so the path is filled in
# when installing: the prefix may be chosen only then (--prefix).
set(JOSTLE_UNIT_STAGED ${CMAKE_BINARY_DIR}/jostle.service.staged)
install(CODE "
    set(JOSTLE_BINARY \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/jostle-headless\")
    configure_file(\"${JOSTLE_RES_DIR}/jostle.service\" \"${JOSTLE_UNIT_STAGED}\" @ONLY)
")
install(FILES ${JOSTLE_UNIT_STAGED} DESTINATION lib/systemd/user RENAME jostle.service)
