# cmake --install <build> --prefix <folder> makes <folder> a self-contained
# copy of the program: the executable (finding its library through $ORIGIN),
# the controller library, the English translation, the help documents and, on
# Linux, a desktop entry and the application icon. Everything lies flat in
# the folder, where the program looks for its files.

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
install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/help DESTINATION .)

if(UNIX AND NOT APPLE)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/icon/ActuatorControl.png DESTINATION .)
    # Exec and Icon are absolute paths into the folder chosen at install time.
    install(CODE "
        set(ACTUATOR_INSTALL_DIR \"\${CMAKE_INSTALL_PREFIX}\")
        configure_file(\"${CMAKE_SOURCE_DIR}/resources/ActuatorControl.desktop.in\"
                       \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/ActuatorControl.desktop\" @ONLY)
        message(STATUS \"Installing: \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/ActuatorControl.desktop\")
    ")
endif()
