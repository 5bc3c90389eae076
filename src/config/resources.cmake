# The compiled resources (nuvex.rc): dialogs, strings, icon, version record and
# manifest. The icon is drawn at build time by tools/iconart, which runs on the
# build machine even when the module is cross-compiled. Windows links the
# resources into the module (nuvex_add_resources); the portable build embeds
# the compiled .res file in nuvex_platform, where LoadStringA, LoadIconA and
# DialogBoxParamA read it.

set(NUVEX_RESOURCE_DIR ${CMAKE_CURRENT_BINARY_DIR}/resources)
file(MAKE_DIRECTORY ${NUVEX_RESOURCE_DIR})
set(NUVEX_ICON_FILE ${NUVEX_RESOURCE_DIR}/nuvex.ico)
set(nuvex_iconart_source ${PROJECT_SOURCE_DIR}/tools/iconart/iconart.cpp)
set(nuvex_rc_source ${CMAKE_CURRENT_LIST_DIR}/nuvex.rc)
# The two manifests differ only in the processor architecture they name.
foreach(arch IN ITEMS x86 x64)
    set(NUVEX_MANIFEST_ARCH ${arch})
    if(arch STREQUAL "x64")
        set(NUVEX_MANIFEST_ARCH amd64)
    endif()
    configure_file(${CMAKE_CURRENT_LIST_DIR}/nuvex.manifest.in
                   ${NUVEX_RESOURCE_DIR}/nuvex-${arch}.manifest @ONLY)
endforeach()
set(nuvex_rc_depends
    ${nuvex_rc_source}
    ${CMAKE_CURRENT_LIST_DIR}/nuvex_layout.rc
    ${NUVEX_LANGUAGE_SCRIPTS}
    ${CMAKE_CURRENT_LIST_DIR}/nuvex_resource_ids.h
    ${CMAKE_CURRENT_LIST_DIR}/settings_names.h
    ${NUVEX_GENERATED_DIR}/nuvex_version.h
    ${NUVEX_GENERATED_DIR}/interface_languages.rc
    ${NUVEX_RESOURCE_DIR}/nuvex-x86.manifest
    ${NUVEX_RESOURCE_DIR}/nuvex-x64.manifest
    ${NUVEX_ICON_FILE})

if(CMAKE_CROSSCOMPILING)
    # The generator must run here, so it is built with the build machine's compiler.
    find_program(NUVEX_HOST_CXX NAMES c++ g++ clang++ REQUIRED)
    set(nuvex_iconart ${NUVEX_RESOURCE_DIR}/iconart)
    add_custom_command(OUTPUT ${nuvex_iconart}
        COMMAND ${NUVEX_HOST_CXX} -std=c++17 -O2 ${nuvex_iconart_source} -o ${nuvex_iconart}
        DEPENDS ${nuvex_iconart_source}
        COMMENT "Building the icon generator for the build machine")
    set(nuvex_iconart_depends ${nuvex_iconart})
else()
    add_executable(nuvex_iconart ${nuvex_iconart_source})
    set(nuvex_iconart $<TARGET_FILE:nuvex_iconart>)
    set(nuvex_iconart_depends nuvex_iconart)
endif()

add_custom_command(OUTPUT ${NUVEX_ICON_FILE}
    COMMAND ${nuvex_iconart} ${NUVEX_ICON_FILE}
    DEPENDS ${nuvex_iconart_depends}
    COMMENT "Drawing the icon")

# windres reads the UTF-8 script (#pragma code_page(65001)) and finds the
# language files next to it, the icon and the manifests in the build folder,
# and the version and the languages' part among the generated headers.
# A Windows build uses its toolchain's compiler, so the object file is made
# for the module's machine type.
if(CMAKE_RC_COMPILER)
    set(NUVEX_WINDRES ${CMAKE_RC_COMPILER})
else()
    find_program(NUVEX_WINDRES
        NAMES x86_64-w64-mingw32-windres i686-w64-mingw32-windres windres REQUIRED)
endif()
set(nuvex_windres_flags -c 65001 -I ${CMAKE_CURRENT_LIST_DIR} -I ${NUVEX_RESOURCE_DIR}
    -I ${NUVEX_GENERATED_DIR})

if(WIN32)
    # nuvex_add_resources(<target>): links the resources into a Windows module.
    function(nuvex_add_resources target)
        set(object ${NUVEX_RESOURCE_DIR}/nuvex_res.o)
        add_custom_command(OUTPUT ${object}
            COMMAND ${NUVEX_WINDRES} ${nuvex_windres_flags} -O coff ${nuvex_rc_source} -o ${object}
            DEPENDS ${nuvex_rc_depends}
            COMMENT "Compiling the resource script")
        target_sources(${target} PRIVATE ${object})
    endfunction()
else()
    set(NUVEX_RES_FILE ${NUVEX_RESOURCE_DIR}/nuvex.res)
    set(nuvex_res_source ${NUVEX_RESOURCE_DIR}/resource_data.cpp)
    add_custom_command(OUTPUT ${NUVEX_RES_FILE}
        COMMAND ${NUVEX_WINDRES} ${nuvex_windres_flags} -O res ${nuvex_rc_source} -o ${NUVEX_RES_FILE}
        DEPENDS ${nuvex_rc_depends}
        COMMENT "Compiling the resource script")
    add_custom_command(OUTPUT ${nuvex_res_source}
        COMMAND ${CMAKE_COMMAND} -DINPUT=${NUVEX_RES_FILE} -DOUTPUT=${nuvex_res_source}
                -P ${CMAKE_CURRENT_LIST_DIR}/embed_resources.cmake
        DEPENDS ${NUVEX_RES_FILE} ${CMAKE_CURRENT_LIST_DIR}/embed_resources.cmake
        COMMENT "Embedding the compiled resources")
    target_sources(nuvex_platform PRIVATE ${nuvex_res_source})
endif()
