# make package (cmake --build <build> --target package) writes, by CPack:
#   actuator-control_<version>_<arch>.deb  the Debian package: the program's
#       folder as /opt/actuator-control, the launcher actuator-control on the
#       PATH, the desktop entry and icon where desktop menus look, a manual
#       page and the Debian documents; its dependencies found by dpkg-shlibdeps
#   actuator-control-<version>-Linux.tar.gz  the portable folder
# The version is the project's (the help window shows the same).

set(PACKAGE_NAME actuator-control)
set(PACKAGE_FOLDER /opt/${PACKAGE_NAME})
set(PACKAGE_SOURCE ${CMAKE_SOURCE_DIR}/tools/package)
set(PACKAGE_STAGE ${CMAKE_BINARY_DIR}/package)
set(ACTUATOR_PACKAGE_MAINTAINER "Actuator Control developers <actuator-control@example.org>" CACHE STRING
    "Maintainer field of the Debian package")

# What the package adds around the folder, made at configure time.
file(MAKE_DIRECTORY ${PACKAGE_STAGE})
file(CREATE_LINK ${PACKAGE_FOLDER}/ActuatorControl ${PACKAGE_STAGE}/${PACKAGE_NAME} SYMBOLIC)
set(ACTUATOR_EXEC ${PACKAGE_NAME})
set(ACTUATOR_ICON ${PACKAGE_NAME})
configure_file(${CMAKE_SOURCE_DIR}/resources/ActuatorControl.desktop.in ${PACKAGE_STAGE}/${PACKAGE_NAME}.desktop @ONLY)
string(TIMESTAMP PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
foreach(doc changelog actuator-control.1)
    configure_file(${PACKAGE_SOURCE}/${doc}.in ${PACKAGE_STAGE}/${doc} @ONLY)
    # Debian wants them compressed with no name or time stamp inside.
    execute_process(COMMAND gzip -9nf ${PACKAGE_STAGE}/${doc} RESULT_VARIABLE gzipped)
    if(NOT gzipped EQUAL 0)
        message(FATAL_ERROR "gzip could not compress ${PACKAGE_STAGE}/${doc}")
    endif()
endforeach()

# Absolute destinations: CPack's Debian generator puts them under its
# staging folder; cmake --install never installs this component.
install(FILES ${PACKAGE_STAGE}/${PACKAGE_NAME} DESTINATION /usr/bin COMPONENT system EXCLUDE_FROM_ALL)
install(FILES ${PACKAGE_STAGE}/${PACKAGE_NAME}.desktop DESTINATION /usr/share/applications
        COMPONENT system EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_SOURCE_DIR}/resources/icon/ActuatorControl.png RENAME ${PACKAGE_NAME}.png
        DESTINATION /usr/share/icons/hicolor/256x256/apps COMPONENT system EXCLUDE_FROM_ALL)
install(FILES ${PACKAGE_STAGE}/actuator-control.1.gz DESTINATION /usr/share/man/man1 COMPONENT system EXCLUDE_FROM_ALL)
install(FILES ${PACKAGE_STAGE}/changelog.gz ${PACKAGE_SOURCE}/copyright DESTINATION /usr/share/doc/${PACKAGE_NAME}
        COMPONENT system EXCLUDE_FROM_ALL)
install(FILES ${PACKAGE_SOURCE}/lintian-overrides RENAME ${PACKAGE_NAME} DESTINATION /usr/share/lintian/overrides
        COMPONENT system EXCLUDE_FROM_ALL)
# The folder is installed for every user: each keeps their files in their own
# configuration folder, root too (config/ConfigDir.h).
install(FILES ${PACKAGE_SOURCE}/files-per-user DESTINATION . COMPONENT system EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB TGZ)
set(CPACK_PACKAGE_NAME ${PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Nuvik)
set(CPACK_PACKAGE_CONTACT "${ACTUATOR_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control program for motorised linear actuators")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Actuator Control drives up to six motorised linear actuator controllers at"
    "once: one control panel per device with its live position, status lamps and"
    "a time-stamped event log; homing, moves, jogs, drives and cruises; motion,"
    "offline-button and trigger parameters; a live position chart with CSV"
    "recording; and an engineering console that calls every library function."
    ""
    "The interface is in Chinese and English. The user manuals and the SDK"
    "folders (C++/C#, LabVIEW) are installed with the program, which keeps each"
    "user's parameters and settings in their own configuration folder.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PACKAGE_FILE_NAME ${PACKAGE_NAME}-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME})
# Per generator: the components and the folder.
set(PACKAGE_FOLDER_FOR_CPACK ${PACKAGE_FOLDER})
configure_file(${PACKAGE_SOURCE}/CPackOptions.cmake.in ${CMAKE_BINARY_DIR}/CPackOptions.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackOptions.cmake)
include(CPack)
