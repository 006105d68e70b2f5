# Install rules and the zip for Windows (cpack -G ZIP): the two windowed
# programs, the two console listers and the two rig windows with the Qt
# libraries, plugins and compiler runtime that windeployqt would put next to
# them, the licence and a note on where the camera maker's library goes. The
# camera maker's EDSDK.dll is not ours to ship.

install(TARGETS sarvolin sarvolin-demo sarvolin-list sarvolin-list-demo sarvolin-list-worker
        sarvolin-list-demo-worker sarvolin-rig sarvolin-rig-demo RUNTIME DESTINATION .)

foreach(module Core Gui Widgets)
    install(FILES $<TARGET_FILE:Qt5::${module}> DESTINATION .)
endforeach()
# The broker client's library, where it is built (scripts/mosquitto-windows.sh).
if(TARGET sarvolin_mosquitto)
    install(FILES $<TARGET_FILE:sarvolin_mosquitto> DESTINATION .)
endif()
install(FILES $<TARGET_FILE:Qt5::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt5::QWindowsVistaStylePlugin> DESTINATION styles)
foreach(plugin ${Qt5Gui_PLUGINS})
    get_target_property(type ${plugin} QT_PLUGIN_TYPE)
    if(type STREQUAL "imageformats")
        install(FILES $<TARGET_FILE:${plugin}> DESTINATION imageformats)
    endif()
endforeach()

# MinGW's C++ runtime, from wherever this compiler keeps it: 64-bit GCC
# unwinds with SEH, 32-bit with DWARF tables.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(sarvolin_triplet x86_64-w64-mingw32)
    set(sarvolin_arch win64)
    set(sarvolin_unwinder libgcc_s_seh-1.dll)
else()
    set(sarvolin_triplet i686-w64-mingw32)
    set(sarvolin_arch win32)
    set(sarvolin_unwinder libgcc_s_dw2-1.dll)
endif()
foreach(runtime libstdc++-6.dll ${sarvolin_unwinder} libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        find_file(path_${runtime} ${runtime} PATHS /usr/${sarvolin_triplet}/lib
                  /usr/lib/gcc/${sarvolin_triplet}/12-posix NO_DEFAULT_PATH)
        set(path ${path_${runtime}})
    endif()
    if(path)
        install(FILES ${path} DESTINATION .)
        # Debian's copies carry their debugging symbols: 24 MB of 26.
        install(CODE "
            if(CMAKE_INSTALL_DO_STRIP)
                execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded
                    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${runtime}\")
            endif()")
    else()
        message(WARNING "${runtime} not found: the zip will lack it")
    endif()
endforeach()

install(FILES LICENSE DESTINATION .)
install(FILES dist/windows-readme.txt DESTINATION . RENAME README.txt)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME sarvolin)
set(CPACK_PACKAGE_FILE_NAME sarvolin-${PROJECT_VERSION}-${sarvolin_arch})
set(CPACK_STRIP_FILES ON)
include(CPack)
