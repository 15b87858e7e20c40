# cmake --install <build> --prefix <folder> makes <folder> a self-contained
# copy of the program: the executable (finding its library through $ORIGIN),
# the controller library, the English translation, the help documents and, on
# Linux, a desktop entry and the application icon. Everything lies flat in
# the folder, where the program looks for its files.
#
# Install components: "program" is the folder itself, "folder_entry" the
# folder's own desktop entry and icon (pointing into the folder chosen at
# install time), "system" what the Debian package adds around its folder
# (tools/package.cmake). cmake --install installs the first two only.

set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME program)

add_subdirectory(${CMAKE_SOURCE_DIR}/tools/appicon ${CMAKE_BINARY_DIR}/tools/appicon)

install(TARGETS ActuatorControl RUNTIME DESTINATION .)

if(ACTUATOR_SIMULATED)
    install(TARGETS ActuatorLibrary LIBRARY DESTINATION . RUNTIME DESTINATION .)
else()
    install(FILES "${ACTUATOR_LIBRARY}" DESTINATION .)
    # On Windows ACTUATOR_LIBRARY names the import library; the DLL lies beside it.
    if(WIN32)
        get_filename_component(vendor_dir "${ACTUATOR_LIBRARY}" DIRECTORY)
        get_filename_component(vendor_name "${ACTUATOR_LIBRARY}" NAME_WE)
        install(FILES "${vendor_dir}/${vendor_name}.dll" DESTINATION . OPTIONAL)
    endif()
endif()

install(FILES ${CMAKE_BINARY_DIR}/bin/en_US.qm DESTINATION . OPTIONAL)
if(ACTUATOR_SIMULATED AND NOT WIN32)
    # The SDK's copy of the simulated library is installed as the target, so
    # that a package strips it like the folder's own.
    install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/help DESTINATION . REGEX "/Nuvik_C\\+\\+C#SDK/lib$" EXCLUDE)
    install(TARGETS ActuatorLibrary LIBRARY DESTINATION "help/Nuvik_C++C#SDK/lib")
else()
    install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/help DESTINATION .)
endif()

if(UNIX AND NOT APPLE)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/icon/ActuatorControl.png DESTINATION . COMPONENT folder_entry)
    # Exec and Icon are absolute paths into the folder chosen at install time.
    install(CODE "
        set(ACTUATOR_EXEC \"\${CMAKE_INSTALL_PREFIX}/ActuatorControl\")
        set(ACTUATOR_ICON \"\${CMAKE_INSTALL_PREFIX}/ActuatorControl.png\")
        configure_file(\"${CMAKE_SOURCE_DIR}/resources/ActuatorControl.desktop.in\"
                       \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/ActuatorControl.desktop\" @ONLY)
        message(STATUS \"Installing: \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/ActuatorControl.desktop\")
    " COMPONENT folder_entry)

    include(${CMAKE_SOURCE_DIR}/tools/package.cmake)
endif()
