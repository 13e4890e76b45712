# What `cmake --install` puts under the prefix P (make install, make deb):
#   P/games/velmorasca, velmorasca-uci (a link to it), velmorasca-perft, velmorasca-bench
#   P/share/man/man6/velmorasca.6 and its aliases
#   P/share/games/plugins/{xboard,uci}/velmorasca.eng and logos/velmorasca.png (xboard's engine list)
#   P/share/applications/velmorasca.desktop and the icons in the hicolor theme
#   P/share/games/velmorasca/book.txt, the book an installed copy starts from
# An installed program recognises itself by P/games and P/share/games/velmorasca
# (platform/filelocations.cpp) and keeps its files in the user's folders.

set(VELMOR_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
set(VELMOR_DATA ${CMAKE_SOURCE_DIR}/data)

install(TARGETS velmorasca velmorasca-perft velmorasca-bench RUNTIME DESTINATION games)

# Links made in the installed tree (a relative target, so DESTDIR trees and
# packages keep working), and recorded in install_manifest.txt, as CMake records its own files
# (without DESTDIR), for make uninstall.
function(velmor_install_link folder name target)
  install(CODE "
    set(installed \"\${CMAKE_INSTALL_PREFIX}/${folder}/${name}\")
    set(link \"\$ENV{DESTDIR}\${installed}\")
    message(STATUS \"Installing: \${link} -> ${target}\")
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${folder}\")
    file(REMOVE \"\${link}\")
    file(CREATE_LINK ${target} \"\${link}\" SYMBOLIC)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${installed}\")")
endfunction()
velmor_install_link(games velmorasca-uci velmorasca)

configure_file(${VELMOR_PACKAGING}/velmorasca.6.in ${CMAKE_BINARY_DIR}/velmorasca.6 @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/velmorasca.6 DESTINATION share/man/man6)
foreach(alias velmorasca-uci velmorasca-perft velmorasca-bench)
  velmor_install_link(share/man/man6 ${alias}.6 velmorasca.6)
endforeach()

install(FILES ${VELMOR_PACKAGING}/velmorasca-xboard.eng DESTINATION share/games/plugins/xboard RENAME velmorasca.eng)
install(FILES ${VELMOR_PACKAGING}/velmorasca-uci.eng DESTINATION share/games/plugins/uci RENAME velmorasca.eng)
install(FILES ${VELMOR_DATA}/velmorasca-logo.png DESTINATION share/games/plugins/logos RENAME velmorasca.png)
install(FILES ${VELMOR_DATA}/book.txt DESTINATION share/games/velmorasca)
if(TARGET velmorwindow)  # the desktop entry starts the window
  install(FILES ${VELMOR_PACKAGING}/velmorasca.desktop DESTINATION share/applications)
endif()
install(DIRECTORY ${VELMOR_DATA}/icons/hicolor DESTINATION share/icons)
install(FILES ${VELMOR_DATA}/velmorasca.svg DESTINATION share/icons/hicolor/scalable/apps)

# The Debian package, from an installation into a staging tree (tools/makedeb.sh).
add_custom_target(deb
  COMMAND ${CMAKE_SOURCE_DIR}/tools/makedeb.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION} ${CMAKE_BINARY_DIR}
  USES_TERMINAL
  COMMENT "Debian package velmorasca_${PROJECT_VERSION}-1")
