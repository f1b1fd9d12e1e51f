# The installed program and its Debian package.
#
# Layout: the program, its modules and the delivered files side by side under
# /usr/lib/torvel (the same layout as the build's program folder), the file
# "installed" there to tell the program that each user works in a folder of
# their own, the torvel command on the PATH, a desktop entry and the icon.
include(GNUInstallDirs)

set(TORVEL_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
file(MAKE_DIRECTORY ${TORVEL_PACKAGE_DIR})

install(TARGETS torvel torvel-migrate RUNTIME DESTINATION ${TORVEL_INSTALL_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/app-data/ DESTINATION ${TORVEL_INSTALL_DIR})

# The delivered database of the package is made on its own, never taken from
# the build's program folder, where a developer's own data lives.
add_custom_target(torvel_package_database ALL
    COMMAND ${CMAKE_COMMAND}
            -DSQLITE3=${TORVEL_SQLITE3}
            -DSCRIPT=${CMAKE_SOURCE_DIR}/schema/sqlite.sql
            -DDATABASE=${TORVEL_PACKAGE_DIR}/torvel.db
            -P ${CMAKE_SOURCE_DIR}/schema/MakeDatabase.cmake
    DEPENDS ${CMAKE_SOURCE_DIR}/schema/sqlite.sql
    COMMENT "Checking the package's torvel.db")
install(FILES ${TORVEL_PACKAGE_DIR}/torvel.db DESTINATION ${TORVEL_INSTALL_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/schema/sqlite.sql ${CMAKE_SOURCE_DIR}/schema/postgresql.sql
        DESTINATION ${TORVEL_INSTALL_DIR}/schema)

file(WRITE ${TORVEL_PACKAGE_DIR}/installed
     "This folder is a shared installation: every user works in ~/.local/share/torvel.\n")
install(FILES ${TORVEL_PACKAGE_DIR}/installed DESTINATION ${TORVEL_INSTALL_DIR})

foreach(command torvel torvel-migrate)
    file(CREATE_LINK ../lib/torvel/${command} ${TORVEL_PACKAGE_DIR}/${command} SYMBOLIC)
    install(FILES ${TORVEL_PACKAGE_DIR}/${command} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/packaging/torvel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 32 256)
    install(FILES ${CMAKE_SOURCE_DIR}/src/shell/icons/torvel-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME torvel.png)
endforeach()

# Debian wants the copyright file and a compressed changelog in the
# package's doc folder.
find_program(TORVEL_GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${TORVEL_PACKAGE_DIR}/changelog.gz
    COMMAND ${TORVEL_GZIP} -9nc ${CMAKE_SOURCE_DIR}/packaging/changelog > ${TORVEL_PACKAGE_DIR}/changelog.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog)
add_custom_target(torvel_package_changelog ALL DEPENDS ${TORVEL_PACKAGE_DIR}/changelog.gz)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${TORVEL_PACKAGE_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME torvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "The torvel developers <torvel@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "business tracking and CRM for small trading companies")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop program with a Chinese user interface for small trading companies:\n"
    "customers, resellers and suppliers in a classification tree, their contact\n"
    "persons, sales orders, purchases, a record of every communication and plans\n"
    "for the next ones, notices by e-mail and text message, and office modules.\n"
    "The data lives in SQLite for one desk or in a shared PostgreSQL database.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/torvel/torvel")
# The libraries the program and its modules link come from dpkg-shlibdeps;
# what Qt loads at run time (the SQL drivers, the window-system plug-in), the
# Chinese translations and font, and xdg-open for links are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6sql6-sqlite, libqt6sql6-psql, qt6-qpa-plugins, qt6-translations-l10n, fonts-wqy-microhei | fonts-noto-cjk, xdg-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
