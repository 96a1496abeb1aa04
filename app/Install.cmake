# What `cmake --install` puts in place: the program, the command-line renderer, and the
# desktop files that let a file manager open presets in Tunk (a launcher entry naming the
# preset type, an icon, and the type itself with its magic for the shared MIME database).
include(GNUInstallDirs)

if(TARGET tunk)
  install(TARGETS tunk RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# tools/ is configured after app/, so look for the renderer once every folder is read.
function(tunk_install_renderer)
  if(TARGET tunk-render)
    install(TARGETS tunk-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${TUNK_ROOT} CALL tunk_install_renderer)

set(TUNK_DATA ${TUNK_ROOT}/data)
install(FILES ${TUNK_DATA}/tunk.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TUNK_DATA}/tunk.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${TUNK_DATA}/tunk-preset.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

# Rebuild the caches the desktop reads, when their tools are present; a staged install
# (DESTDIR) leaves that to the package's own triggers.
install(CODE [[
  if(NOT DEFINED ENV{DESTDIR} OR "$ENV{DESTDIR}" STREQUAL "")
    set(share "${CMAKE_INSTALL_PREFIX}/share")
    find_program(TUNK_UPDATE_MIME update-mime-database)
    if(TUNK_UPDATE_MIME)
      execute_process(COMMAND ${TUNK_UPDATE_MIME} "${share}/mime")
    endif()
    find_program(TUNK_UPDATE_DESKTOP update-desktop-database)
    if(TUNK_UPDATE_DESKTOP)
      execute_process(COMMAND ${TUNK_UPDATE_DESKTOP} -q "${share}/applications")
    endif()
  endif()
]])
