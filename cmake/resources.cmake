# Adds the program's resources (icon, manifest, version record) to a Windows target: the
# script resources/Quotidia.rc, which embeds what resources/CMakeLists.txt generates in
# ${CMAKE_BINARY_DIR}/resources. Every target that calls this compiles the script itself.
include_guard(GLOBAL)

function(quotidia_add_resources target)
    set(resource_dir ${CMAKE_BINARY_DIR}/resources)
    set(script ${PROJECT_SOURCE_DIR}/resources/Quotidia.rc)
    set(embedded_files ${resource_dir}/icon_image.bin ${resource_dir}/icon_group.bin
                       ${resource_dir}/app_identity.h ${resource_dir}/Quotidia.manifest)
    target_sources(${target} PRIVATE ${script})
    # A custom command's outputs can only be sources of targets in its own folder, so
    # every caller depends on the target that makes the icon.
    add_dependencies(${target} quotidia_icon)
    # The script finds the generated files through its include path, and the resource
    # compiler reports no dependencies on them: they are named here.
    set_source_files_properties(${script} TARGET_DIRECTORY ${target} PROPERTIES
        INCLUDE_DIRECTORIES "${resource_dir}"
        OBJECT_DEPENDS "${embedded_files}")
    if(MSVC)
        # The script embeds the manifest; the linker must not add a second one.
        target_link_options(${target} PRIVATE /MANIFEST:NO)
    endif()
endfunction()
