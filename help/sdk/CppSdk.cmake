# The C++/C# SDK folder, for the program's build (help/CMakeLists.txt) and for
# the Windows build of the library alone (tools/windows):
#   <folder>/README.md          the guide, naming the library the folder holds
#   <folder>/ActuatorLibrary.h  the library's C interface
#   <folder>/example/           the example's sources
#   <folder>/lib/               the library; on Windows the DLL and its import library
#   <folder>/example/bin/       on Windows: the built example with the DLL beside it
# The library is the simulated one (target ActuatorLibrary) unless ACTUATOR_LIBRARY
# names a vendor library; on Windows that is its import library with the DLL beside it.

set(CPP_SDK_SOURCE ${CMAKE_CURRENT_LIST_DIR}/cpp)
get_filename_component(CPP_SDK_DEVICE_DIR ${CMAKE_CURRENT_LIST_DIR}/../../device ABSOLUTE)
set(CPP_SDK_HEADER ${CPP_SDK_DEVICE_DIR}/ActuatorLibrary.h)

# Adds the executable sdk_example and the target <target>, which fills <folder>.
function(add_cpp_sdk target folder)
    add_executable(sdk_example ${CPP_SDK_SOURCE}/example/main.cpp)
    target_include_directories(sdk_example PRIVATE ${CPP_SDK_DEVICE_DIR})
    target_link_libraries(sdk_example PRIVATE ActuatorLibrary)
    set_target_properties(sdk_example PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)

    if(ACTUATOR_SIMULATED)
        set(dll $<TARGET_FILE:ActuatorLibrary>)
        set(implib $<TARGET_LINKER_FILE:ActuatorLibrary>)
        string(CONCAT SDK_LIBRARY
            "模拟控制器库：不连接硬件，以模拟的控制器（默认两台）代替，供开发和测试使用。"
            " / The simulated controller library: it drives no hardware but simulated"
            " controllers (two by default), for development and tests.")
    else()
        get_filename_component(vendor_dir "${ACTUATOR_LIBRARY}" DIRECTORY)
        get_filename_component(vendor_name "${ACTUATOR_LIBRARY}" NAME_WE)
        set(implib "${ACTUATOR_LIBRARY}")
        set(dll "${ACTUATOR_LIBRARY}")
        if(WIN32)
            set(dll "${vendor_dir}/${vendor_name}.dll")
        endif()
        set(SDK_LIBRARY "控制器厂商提供的控制器库。 / The controller vendor's library.")
    endif()
    configure_file(${CPP_SDK_SOURCE}/README.md ${CMAKE_CURRENT_BINARY_DIR}/sdk/README.md @ONLY)

    set(steps
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}/example ${folder}/lib
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CPP_SDK_HEADER}
                ${CMAKE_CURRENT_BINARY_DIR}/sdk/README.md ${folder}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CPP_SDK_SOURCE}/example/main.cpp
                ${CPP_SDK_SOURCE}/example/CMakeLists.txt ${folder}/example
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${dll} ${folder}/lib)
    set(depends ActuatorLibrary)
    if(WIN32)
        list(APPEND steps
            COMMAND ${CMAKE_COMMAND} -E copy_if_different ${implib} ${folder}/lib
            COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}/example/bin
            COMMAND ${CMAKE_COMMAND} -E copy_if_different ${dll} ${folder}/example/bin
            COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:sdk_example>
                    ${folder}/example/bin/example.exe)
        list(APPEND depends sdk_example)
    endif()
    add_custom_command(
        OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${target}.stamp
        ${steps}
        COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_CURRENT_BINARY_DIR}/${target}.stamp
        DEPENDS ${CPP_SDK_SOURCE}/example/main.cpp ${CPP_SDK_SOURCE}/example/CMakeLists.txt
                ${CMAKE_CURRENT_BINARY_DIR}/sdk/README.md ${CPP_SDK_HEADER} ${depends}
        COMMENT "Copying the C++/C# SDK folder"
        VERBATIM)
    add_custom_target(${target} DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${target}.stamp)
endfunction()
