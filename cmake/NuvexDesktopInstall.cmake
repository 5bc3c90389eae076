# What a Linux desktop needs besides bin/nuvex, laid out so that an install
# with the prefix /usr puts everything where XScreenSaver and man look:
#   libexec/xscreensaver/nuvex               the display mode (a link to bin/nuvex)
#   libexec/xscreensaver/nuvex-xscreensaver  its former name, for old "programs:" lines
#   share/xscreensaver/config/nuvex.xml      the settings description (made at build time)
#   share/applications/screensavers/nuvex.desktop   for daemons that read that folder
#   share/man/man6/nuvex.6.gz, nuvex-xscreensaver.6.gz   one page, both names (made at
#                                            build time, with the version and the options)
#   share/doc/nuvex/copyright, changelog.gz
set(nuvex_xscreensaver_dir ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver)
set(nuvex_desktop_stage ${CMAKE_CURRENT_BINARY_DIR}/desktop)
file(MAKE_DIRECTORY ${nuvex_desktop_stage})

# Relative links, so that the installed tree works wherever it is put.
file(RELATIVE_PATH nuvex_from_libexec /prefix/${nuvex_xscreensaver_dir}
     /prefix/${CMAKE_INSTALL_BINDIR}/nuvex)
file(CREATE_LINK ${nuvex_from_libexec} ${nuvex_desktop_stage}/nuvex SYMBOLIC)
install(FILES ${nuvex_desktop_stage}/nuvex DESTINATION ${nuvex_xscreensaver_dir})
install(PROGRAMS ${PROJECT_SOURCE_DIR}/tools/xscreensaver/nuvex-xscreensaver
        DESTINATION ${nuvex_xscreensaver_dir})
install(FILES ${nuvex_desktop_stage}/nuvex.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
install(FILES ${PROJECT_SOURCE_DIR}/tools/xscreensaver/nuvex.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications/screensavers)

# The manual page and the settings description list the display-mode options
# as their table has them (host/display_mode_options.h): tools/optiondocs
# writes the lists into the templates at build time, the version already in.
add_executable(nuvex_optiondocs ${PROJECT_SOURCE_DIR}/tools/optiondocs/optiondocs.cpp
               ${PROJECT_SOURCE_DIR}/src/host/display_mode_options.cpp)
target_include_directories(nuvex_optiondocs PRIVATE ${PROJECT_SOURCE_DIR}/src)
configure_file(${PROJECT_SOURCE_DIR}/docs/nuvex.6.in ${nuvex_desktop_stage}/nuvex.6.in @ONLY)
add_custom_command(
    OUTPUT ${nuvex_desktop_stage}/nuvex.6
    COMMAND nuvex_optiondocs manual ${nuvex_desktop_stage}/nuvex.6.in ${nuvex_desktop_stage}/nuvex.6
    DEPENDS nuvex_optiondocs ${nuvex_desktop_stage}/nuvex.6.in
    COMMENT "Listing the options in the manual page"
    VERBATIM)
add_custom_command(
    OUTPUT ${nuvex_desktop_stage}/nuvex.xml
    COMMAND nuvex_optiondocs settings ${PROJECT_SOURCE_DIR}/tools/xscreensaver/nuvex.xml.in
            ${nuvex_desktop_stage}/nuvex.xml
    DEPENDS nuvex_optiondocs ${PROJECT_SOURCE_DIR}/tools/xscreensaver/nuvex.xml.in
    COMMENT "Listing the options in the settings description"
    VERBATIM)
# Where the tests find the lists as they are installed.
set(NUVEX_BUILT_MANUAL ${nuvex_desktop_stage}/nuvex.6 CACHE INTERNAL "")
set(NUVEX_BUILT_SETTINGS ${nuvex_desktop_stage}/nuvex.xml CACHE INTERNAL "")

# Manual pages and the changelog compressed as Debian wants them (gzip -9n:
# no name or time stamp inside, so the same bytes every build).
find_program(NUVEX_GZIP gzip REQUIRED)
configure_file(${PROJECT_SOURCE_DIR}/docs/changelog.in ${nuvex_desktop_stage}/changelog @ONLY)
add_custom_command(
    OUTPUT ${nuvex_desktop_stage}/nuvex.6.gz ${nuvex_desktop_stage}/changelog.gz
    COMMAND ${NUVEX_GZIP} -9nc ${nuvex_desktop_stage}/nuvex.6 > ${nuvex_desktop_stage}/nuvex.6.gz
    COMMAND ${NUVEX_GZIP} -9nc ${nuvex_desktop_stage}/changelog > ${nuvex_desktop_stage}/changelog.gz
    DEPENDS ${nuvex_desktop_stage}/nuvex.6 ${nuvex_desktop_stage}/changelog
    VERBATIM)
add_custom_target(nuvex_option_docs ALL
                  DEPENDS ${nuvex_desktop_stage}/nuvex.6.gz ${nuvex_desktop_stage}/changelog.gz
                          ${nuvex_desktop_stage}/nuvex.xml)
file(CREATE_LINK nuvex.6.gz ${nuvex_desktop_stage}/nuvex-xscreensaver.6.gz SYMBOLIC)
install(FILES ${nuvex_desktop_stage}/nuvex.6.gz ${nuvex_desktop_stage}/nuvex-xscreensaver.6.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${PROJECT_SOURCE_DIR}/docs/copyright ${nuvex_desktop_stage}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/nuvex)
