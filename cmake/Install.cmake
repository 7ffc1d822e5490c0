# What `cmake --install` puts where. Two layouts:
#   games   (default) Debian's places for games under the prefix (usually /usr): the launcher
#           in games/, the program in lib/games/quorvin/, the images in share/games/quorvin/,
#           with the menu entry, icon, AppStream metainfo and manual page.
#   folder  one folder that runs from wherever it is unpacked: the launcher at its top, the
#           program in bin/, the images in data/.
# The launcher reaches the program and the images by paths relative to itself, so either
# install can be moved as a whole.
set(QUORVIN_LAYOUT games CACHE STRING "Install layout: games or folder")
set_property(CACHE QUORVIN_LAYOUT PROPERTY STRINGS games folder)
set(QUORVIN_HOMEPAGE "https://quorvin.invalid" CACHE STRING "The game's home page")
set(QUORVIN_SCREENSHOTS "${QUORVIN_HOMEPAGE}/docs/screenshots" CACHE STRING
    "Where the README's screenshots are published")
set(QUORVIN_APP_ID invalid.quorvin.Quorvin)

set(images data/daFont.tga data/daFontMask.tga data/TheCrate2.tga)
if(QUORVIN_LAYOUT STREQUAL "games")
    set(launcher_dir games)
    set(program_dir lib/games/quorvin)
    set(data_dir share/games/quorvin)
elseif(QUORVIN_LAYOUT STREQUAL "folder")
    set(launcher_dir .)
    set(program_dir bin)
    set(data_dir data)
else()
    message(FATAL_ERROR "QUORVIN_LAYOUT is games or folder, not ${QUORVIN_LAYOUT}")
endif()

# Paths from the launcher's folder, worked out under a stand-in prefix.
cmake_path(SET from NORMALIZE "/prefix/${launcher_dir}")
file(RELATIVE_PATH QUORVIN_LAUNCHER_TO_PROGRAM "${from}" "/prefix/${program_dir}/quorvin")
file(RELATIVE_PATH QUORVIN_LAUNCHER_TO_DATA "${from}" "/prefix/${data_dir}")
configure_file(packaging/quorvin.in launcher/quorvin @ONLY)

install(TARGETS quorvin RUNTIME DESTINATION ${program_dir})
install(PROGRAMS ${PROJECT_BINARY_DIR}/launcher/quorvin DESTINATION ${launcher_dir})
install(FILES ${images} DESTINATION ${data_dir})

if(QUORVIN_LAYOUT STREQUAL "games")
    configure_file(packaging/quorvin.metainfo.xml.in ${QUORVIN_APP_ID}.metainfo.xml @ONLY)
    configure_file(packaging/quorvin.6.in quorvin.6 @ONLY)
    install(FILES packaging/quorvin.desktop DESTINATION share/applications)
    install(FILES ${PROJECT_BINARY_DIR}/${QUORVIN_APP_ID}.metainfo.xml DESTINATION share/metainfo)
    install(FILES ${PROJECT_BINARY_DIR}/quorvin.6 DESTINATION share/man/man6)
    foreach(size 48 64 128 256)
        install(FILES data/icon-${size}.png DESTINATION share/icons/hicolor/${size}x${size}/apps
                RENAME quorvin.png)
    endforeach()
    # The README links the page on the game's behaviour; it goes beside it, as in the sources.
    install(FILES README.md DESTINATION share/doc/quorvin)
    install(FILES docs/behaviour.md DESTINATION share/doc/quorvin/docs)
else()
    install(FILES README.md LICENSE DESTINATION .)
    install(FILES docs/behaviour.md DESTINATION docs)
    install(FILES data/README.md DESTINATION ${data_dir})
endif()
