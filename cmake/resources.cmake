# Adds the program's resources (icon, manifest, version record) to a Windows target.
# The icon is generated once per build tree from resources/app_icon.txt into
# ${CMAKE_BINARY_DIR}/resources (app.ico for installers, and the two raw resource files
# the resource script embeds); every target that calls this compiles the script itself.
include_guard(GLOBAL)

function(quotidia_add_resources target)
    set(resource_dir ${CMAKE_BINARY_DIR}/resources)
    set(icon_files ${resource_dir}/app.ico ${resource_dir}/icon_30001.bin
                   ${resource_dir}/icon_group_1.bin)

    # A custom command's outputs can only be sources of targets in its own folder, so the
    # icon is made by one shared target and every caller depends on that target.
    if(NOT TARGET quotidia_icon)
        find_package(Python3 COMPONENTS Interpreter REQUIRED)
        add_custom_command(
            OUTPUT ${icon_files}
            COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/cmake/make_icon.py
                    ${PROJECT_SOURCE_DIR}/resources/app_icon.txt ${resource_dir}
            DEPENDS ${PROJECT_SOURCE_DIR}/cmake/make_icon.py
                    ${PROJECT_SOURCE_DIR}/resources/app_icon.txt
            COMMENT "Generating the application icon"
            VERBATIM)
        add_custom_target(quotidia_icon DEPENDS ${icon_files})
    endif()

    set(script ${PROJECT_SOURCE_DIR}/resources/Quotidia.rc)
    set(embedded_files ${icon_files} ${PROJECT_SOURCE_DIR}/resources/app_identity.h
                       ${PROJECT_SOURCE_DIR}/resources/Quotidia.manifest)
    target_sources(${target} PRIVATE ${script})
    add_dependencies(${target} quotidia_icon)
    # The script finds the generated icon files and the manifest through its include path,
    # and the resource compiler reports no dependencies on them: both are named here.
    set_source_files_properties(${script} TARGET_DIRECTORY ${target} PROPERTIES
        INCLUDE_DIRECTORIES "${resource_dir};${PROJECT_SOURCE_DIR}/resources"
        OBJECT_DEPENDS "${embedded_files}")
    if(MSVC)
        # The script embeds the manifest; the linker must not add a second one.
        target_link_options(${target} PRIVATE /MANIFEST:NO)
    endif()
endfunction()
