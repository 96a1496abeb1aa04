# What `cmake --install` puts in place: the program, the command-line renderer, the
# factory sounds, and the desktop files that let a file manager open presets in Tunk (a
# launcher entry naming the preset type, an icon, the type itself with its magic for the
# shared MIME database, and the AppStream description that software centres list).
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
install(FILES ${TUNK_DATA}/tunk-preset.xml ${TUNK_DATA}/tunk-kit.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

# The program looks for its factory sounds in ../share/tunk/presets beside its binary.
# Only the presets and their index files: the table and script they are made from stay.
install(DIRECTORY ${TUNK_DATA}/presets/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tunk/presets
  FILES_MATCHING PATTERN "*.tunk" PATTERN "index.txt")

# The factory kits, made from the factory sounds when the program is built, beside them.
install(DIRECTORY ${CMAKE_BINARY_DIR}/data/kits/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tunk/kits
  FILES_MATCHING PATTERN "*.tunkkit")

set(TUNK_HOMEPAGE "https://tunk.example.org" CACHE STRING
  "Web address of the project, named in the AppStream file with its screenshot")
set(TUNK_APPSTREAM_ID com.quillfeather.Tunk)
configure_file(${TUNK_DATA}/tunk.metainfo.xml.in
  ${CMAKE_BINARY_DIR}/data/${TUNK_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/data/${TUNK_APPSTREAM_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

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
