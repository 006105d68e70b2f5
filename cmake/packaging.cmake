# Install rules and the Debian package (cpack -G DEB, run by scripts/package.sh).
# The install rules are the package's contents: `cmake --install` puts exactly
# the files the package holds in place.

# Windows has a zip of its own.
if(WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/windowszip.cmake)
    return()
endif()

include(GNUInstallDirs)
install(TARGETS sarvolin sarvolin-demo sarvolin-list sarvolin-list-demo sarvolin-rig
        sarvolin-rig-demo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The listers' workers are started by the listers alone.
install(TARGETS sarvolin-list-worker sarvolin-list-demo-worker
        RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/sarvolin)
# A stripped install (cpack, cmake --install --strip) also drops the compiler
# notes that strip keeps, as Debian's own packaging does.
if(CMAKE_OBJCOPY)
    install(CODE "
        if(CMAKE_INSTALL_DO_STRIP)
            foreach(program ${CMAKE_INSTALL_BINDIR}/sarvolin ${CMAKE_INSTALL_BINDIR}/sarvolin-demo
                    ${CMAKE_INSTALL_BINDIR}/sarvolin-list ${CMAKE_INSTALL_BINDIR}/sarvolin-list-demo
                    ${CMAKE_INSTALL_BINDIR}/sarvolin-rig ${CMAKE_INSTALL_BINDIR}/sarvolin-rig-demo
                    ${CMAKE_INSTALL_LIBEXECDIR}/sarvolin/sarvolin-list-worker
                    ${CMAKE_INSTALL_LIBEXECDIR}/sarvolin/sarvolin-list-demo-worker)
                execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                    --remove-section=.note
                    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${program}${CMAKE_EXECUTABLE_SUFFIX}\"
                    RESULT_VARIABLE failed)
                if(failed)
                    message(FATAL_ERROR \"objcopy failed on \${program}\")
                endif()
            endforeach()
        endif()")
endif()

# SARVOLIN_APP_ID, set with the programs, names the desktop entry, its icon
# and the AppStream component; SARVOLIN_RIG_APP_ID the rig window's, which
# is a desktop application of its own.
if(NOT DEFINED SARVOLIN_RIG_APP_ID)
    set(SARVOLIN_RIG_APP_ID org.sarvolin.SarvolinRig)
endif()
set(SARVOLIN_HOMEPAGE https://sarvolin.org)
set(SARVOLIN_RELEASE_DATE 2026-12-08)

if(UNIX AND NOT APPLE)
    set(SARVOLIN_DESKTOP_EXEC sarvolin)
    set(SARVOLIN_RIG_DESKTOP_EXEC sarvolin-rig)
    set(dist ${CMAKE_CURRENT_SOURCE_DIR}/dist)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/dist)

    configure_file(${dist}/sarvolin.desktop.in ${out}/${SARVOLIN_APP_ID}.desktop @ONLY)
    configure_file(${dist}/sarvolin.metainfo.xml.in ${out}/${SARVOLIN_APP_ID}.metainfo.xml @ONLY)
    configure_file(${dist}/sarvolin-rig.desktop.in ${out}/${SARVOLIN_RIG_APP_ID}.desktop @ONLY)
    configure_file(${dist}/sarvolin-rig.metainfo.xml.in ${out}/${SARVOLIN_RIG_APP_ID}.metainfo.xml
                   @ONLY)
    install(FILES ${out}/${SARVOLIN_APP_ID}.desktop ${out}/${SARVOLIN_RIG_APP_ID}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${out}/${SARVOLIN_APP_ID}.metainfo.xml ${out}/${SARVOLIN_RIG_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

    # Theme icons come from the code that drew the windows' icons, so the two
    # cannot drift apart.
    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    set(icon_sizes 16 32 48 64 128 256)
    set(icons)
    foreach(drawing camera rig)
        if(drawing STREQUAL rig)
            set(id ${SARVOLIN_RIG_APP_ID})
            set(which --rig)
        else()
            set(id ${SARVOLIN_APP_ID})
            set(which)
        endif()
        set(drawn ${out}/hicolor/scalable/apps/${id}.svg)
        foreach(size ${icon_sizes})
            list(APPEND drawn ${out}/hicolor/${size}x${size}/apps/${id}.png)
        endforeach()
        add_custom_command(OUTPUT ${drawn}
            COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/resources/draw_icons.py
                    --hicolor ${out}/hicolor ${id} ${which}
            DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/resources/draw_icons.py
            COMMENT "Drawing the theme icons of ${id}"
            VERBATIM)
        list(APPEND icons ${drawn})
    endforeach()
    foreach(icon ${icons})
        get_filename_component(folder ${icon} DIRECTORY)
        file(RELATIVE_PATH folder ${out} ${folder})
        install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/${folder})
    endforeach()

    # Debian wants manual pages and changelogs compressed, without a timestamp.
    find_program(GZIP_EXECUTABLE gzip)
    if(NOT GZIP_EXECUTABLE)
        message(FATAL_ERROR "gzip not found: it compresses the manual pages")
    endif()
    set(compressed)
    set(pages sarvolin.1 sarvolin-demo.1 sarvolin-list.1 sarvolin-list-demo.1 sarvolin-rig.1
        sarvolin-rig-demo.1)
    foreach(page ${pages} changelog.Debian)
        configure_file(${dist}/${page} ${out}/${page} @ONLY)
        add_custom_command(OUTPUT ${out}/${page}.gz
            COMMAND ${GZIP_EXECUTABLE} -9nkf ${out}/${page}
            DEPENDS ${out}/${page}
            VERBATIM)
        list(APPEND compressed ${out}/${page}.gz)
    endforeach()
    list(TRANSFORM pages PREPEND ${out}/)
    list(TRANSFORM pages APPEND .gz)
    install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

    set(docdir ${CMAKE_INSTALL_DATADIR}/doc/sarvolin)
    install(FILES ${dist}/copyright ${out}/changelog.Debian.gz DESTINATION ${docdir})
    install(FILES ${dist}/lintian-overrides
            DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME sarvolin)

    # The broker's set-up, for the user to copy into /etc/mosquitto.
    install(FILES ${dist}/mosquitto/sarvolin.conf ${dist}/mosquitto/sarvolin.acl
            DESTINATION ${CMAKE_INSTALL_DATADIR}/sarvolin/mosquitto)

    # The agent's service, off until enabled, and its settings. The unit names
    # /usr/bin and /etc/default, so it goes only with a system install.
    if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
        find_package(PkgConfig QUIET)
        set(unit_dir)
        if(PKG_CONFIG_FOUND)
            pkg_get_variable(unit_dir systemd systemdsystemunitdir)
        endif()
        if(NOT unit_dir)
            set(unit_dir /lib/systemd/system)
        endif()
        install(FILES ${dist}/sarvolin-publish.service DESTINATION ${unit_dir})
        set(defaults ${CMAKE_INSTALL_FULL_SYSCONFDIR}/default)
        install(FILES ${dist}/sarvolin-publish.default DESTINATION ${defaults}
                RENAME sarvolin-publish)
        # An upgrade keeps the user's settings.
        file(WRITE ${out}/conffiles "${defaults}/sarvolin-publish\n")
        set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${out}/conffiles)
    endif()

    add_custom_target(sarvolin_dist ALL DEPENDS ${icons} ${compressed})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sarvolin)
set(CPACK_PACKAGE_VENDOR "The Sarvolin developers")
set(CPACK_PACKAGE_CONTACT "The Sarvolin developers <developers@sarvolin.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL ${SARVOLIN_HOMEPAGE})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "read a camera body's ID and save it to a text file")
set(CPACK_PACKAGE_DESCRIPTION [=[
Sarvolin is a small desktop utility for photographers and studio
technicians. It opens a session with the first camera attached, puts it
into a fixed state (manual exposure, pictures delivered to the computer,
RAW image quality), reads the camera body's ID and shows it; Save writes
that ID, followed by one line end, into a text file of your choice. The
window speaks English and Chinese.

The package holds sarvolin, which talks to real cameras through
libgphoto2, and sarvolin-demo, the same window on a simulated camera.
It also holds sarvolin-list, a console program that prints the body IDs
of all attached cameras as a table, CSV or JSON, once or as bodies are
plugged in, and writes no camera setting; sarvolin-list-demo runs it on
simulated cameras.

sarvolin-rig, for multi-camera rigs and rental counters, shows every
attached body in one live table (socket, name, model, body ID, battery,
shots left, lens, firmware, owner, shutter count, clock offset) as bodies
are plugged in and unplugged, checks each against a roster (missing,
moved, unknown, battery low, timed out), exports the table as CSV or JSON
and sets every body's clock when asked; sarvolin-rig-demo is the same
window on simulated cameras.

On several computers, sarvolin-list publishes each one's bodies to an MQTT
broker and reads every computer's bodies back into one table. The package
holds a systemd service that runs it as the publishing agent, off until
enabled, and a broker set-up for mosquitto to copy.]=])
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Without a CJK font the Chinese texts show as empty boxes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-wqy-microhei)
# The broker that the computers publish to.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS mosquitto)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
