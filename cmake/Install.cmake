# What `cmake --install` puts where, in the usual layout of a Unix desktop program (prefix
# /usr/local unless CMAKE_INSTALL_PREFIX or --prefix says otherwise):
#   bin/                      corvane, wxcheck, batchrun, tsfconvert
#   share/corvane/            TimeZones.txt; corvane looks here when nothing lies beside it
#   share/applications/, share/metainfo/, share/icons/hicolor/   the desktop integration
#   share/man/man1/           the manual pages, gzipped
#   share/doc/corvane/        copyright, changelog.gz and the example evaluation
# Files the build makes for this (gzipped pages, rendered icons) collect in
# ${PROJECT_BINARY_DIR}/install-files.

# Folders rwxr-xr-x whatever the umask of the one who installs, as a package wants them.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Named after the package, whatever the project's name, as Debian wants it.
set(corvane_doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/corvane)
set(corvane_desktop_dir ${PROJECT_SOURCE_DIR}/data/desktop)
set(corvane_staged ${PROJECT_BINARY_DIR}/install-files)
set(corvane_staged_files)

# The programs a user starts. The test programs, helpers and benchmarks are never installed.
set(CORVANE_INSTALLED_PROGRAMS)
foreach(program corvane wxcheck batchrun tsfconvert)
    if(TARGET ${program})
        list(APPEND CORVANE_INSTALLED_PROGRAMS ${program})
    endif()
endforeach()
install(TARGETS ${CORVANE_INSTALLED_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Stages `source` as `staged` compressed the way Debian wants it (best, no name or time).
find_program(CORVANE_GZIP gzip REQUIRED)
function(corvane_stage_gzipped source staged)
    get_filename_component(folder ${staged} DIRECTORY)
    string(REGEX REPLACE "\\.gz$" "" plain ${staged})
    add_custom_command(OUTPUT ${staged}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${plain}
        COMMAND ${CORVANE_GZIP} -9nf ${plain}
        DEPENDS ${source}
        COMMENT "Compressing ${staged}"
        VERBATIM)
    set(corvane_staged_files ${corvane_staged_files} ${staged} PARENT_SCOPE)
endfunction()

# Manual pages, one per installed program.
foreach(program ${CORVANE_INSTALLED_PROGRAMS})
    set(page ${PROJECT_SOURCE_DIR}/docs/man/${program}.1)
    if(NOT EXISTS ${page})
        message(WARNING "${program} is installed without a manual page: ${page} is missing")
        continue()
    endif()
    corvane_stage_gzipped(${page} ${corvane_staged}/man1/${program}.1.gz)
    install(FILES ${corvane_staged}/man1/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# The documents every Debian package carries, and the sample evaluation the pages use.
# The changelog heads with the version being built, so that the package cannot contradict it.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog corvane_changelog_head LIMIT_COUNT 1)
if(NOT corvane_changelog_head MATCHES "^corvane \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/debian/changelog must begin with an entry for "
                        "corvane (${PROJECT_VERSION}), not: ${corvane_changelog_head}")
endif()
corvane_stage_gzipped(${PROJECT_SOURCE_DIR}/packaging/debian/changelog
                      ${corvane_staged}/doc/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright ${corvane_staged}/doc/changelog.gz
        DESTINATION ${corvane_doc_dir})
# Only the inputs: a run in examples/ leaves its outputs there.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${corvane_doc_dir}/examples
        FILES_MATCHING PATTERN "*.tsf" PATTERN "*.STN" PATTERN "wxcheck.inp")

if(CORVANE_BUILD_GUI)
    install(FILES ${PROJECT_SOURCE_DIR}/data/TimeZones.txt
            DESTINATION ${CMAKE_INSTALL_DATADIR}/corvane)

    install(FILES ${corvane_desktop_dir}/${CORVANE_APP_ID}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    configure_file(${corvane_desktop_dir}/${CORVANE_APP_ID}.metainfo.xml.in
                   ${corvane_staged}/${CORVANE_APP_ID}.metainfo.xml @ONLY)
    install(FILES ${corvane_staged}/${CORVANE_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

    # The icon is drawn as SVG; menus that cannot scale it take the PNG of their size.
    set(icon_svg ${corvane_desktop_dir}/${CORVANE_APP_ID}.svg)
    install(FILES ${icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    find_program(CORVANE_RSVG_CONVERT rsvg-convert REQUIRED)
    foreach(size 16 24 32 48 64 128 256)
        set(icon_dir ${corvane_staged}/icons/${size}x${size}/apps)
        add_custom_command(OUTPUT ${icon_dir}/${CORVANE_APP_ID}.png
            COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_dir}
            COMMAND ${CORVANE_RSVG_CONVERT} --width ${size} --height ${size}
                    --output ${icon_dir}/${CORVANE_APP_ID}.png ${icon_svg}
            DEPENDS ${icon_svg}
            COMMENT "Rendering the ${size} x ${size} icon"
            VERBATIM)
        list(APPEND corvane_staged_files ${icon_dir}/${CORVANE_APP_ID}.png)
        install(FILES ${icon_dir}/${CORVANE_APP_ID}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
endif()

add_custom_target(corvane_install_files ALL DEPENDS ${corvane_staged_files})
