# Headers made from the project's one-place facts, for the code, the resource
# script and the tests alike, in ${NUVEX_GENERATED_DIR}:
#   nuvex_version.h           the version of project(), in every form shown
#   interface_languages.h     the interface languages of src/config/languages.txt
#   interface_languages.rc    the resource script's part that includes each
#                             language's texts under its LANGUAGE statement
# Every file is written only when its text changes, so a reconfigure without a
# change rebuilds nothing.
set(NUVEX_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${NUVEX_GENERATED_DIR})

# --- the version --------------------------------------------------------------
# The About box and the saver's name in the system's list show the version
# short: the major number, a point, then the minor and the last number ("0.01"
# for 0.0.0.1). A version that form cannot show one to one is refused here
# rather than shown wrong.
foreach(part MAJOR MINOR PATCH TWEAK)
    if(NOT PROJECT_VERSION_${part} MATCHES "^[0-9]+$")
        message(FATAL_ERROR "project(VERSION ${PROJECT_VERSION}) needs four numbers")
    endif()
endforeach()
if(NOT PROJECT_VERSION_PATCH EQUAL 0 OR PROJECT_VERSION_MINOR GREATER 9
   OR PROJECT_VERSION_TWEAK GREATER 9)
    message(FATAL_ERROR "version ${PROJECT_VERSION}: the About box shows versions as "
            "<major>.<minor><last> (0.01 for 0.0.0.1), with a third number of 0 and "
            "one digit each for the second and the last; decide how this one is to read "
            "there and say so in cmake/NuvexGenerated.cmake")
endif()
set(NUVEX_VERSION ${PROJECT_VERSION})
set(NUVEX_VERSION_SHORT
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}${PROJECT_VERSION_TWEAK}")
set(NUVEX_VERSION_NUMBERS
    "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},${PROJECT_VERSION_TWEAK}")
string(REPLACE "," ", " NUVEX_VERSION_TEXT "${NUVEX_VERSION_NUMBERS}")
configure_file(${PROJECT_SOURCE_DIR}/src/config/nuvex_version.h.in
               ${NUVEX_GENERATED_DIR}/nuvex_version.h @ONLY)

# --- the interface languages --------------------------------------------------
set(nuvex_languages_table ${PROJECT_SOURCE_DIR}/src/config/languages.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${nuvex_languages_table})
file(STRINGS ${nuvex_languages_table} nuvex_language_lines ENCODING UTF-8)
set(rows "")
set(script "")
set(ids "")
set(scripts "")
foreach(line IN LISTS nuvex_language_lines)
    if(line MATCHES "^[ \t]*(#|$)")
        continue()
    endif()
    if(NOT line MATCHES "^([a-z][a-z])_([A-Z][A-Z])[ \t]+0x([0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f])[ \t]+([a-z_]+\\.rc)[ \t]*$")
        message(FATAL_ERROR "languages.txt: cannot read the line \"${line}\"")
    endif()
    set(locale "${CMAKE_MATCH_1}_${CMAKE_MATCH_2}")
    string(TOUPPER "${CMAKE_MATCH_3}" id)
    set(texts "${CMAKE_MATCH_4}")
    if(NOT EXISTS ${PROJECT_SOURCE_DIR}/src/config/${texts})
        message(FATAL_ERROR "languages.txt: ${locale} names ${texts}, which src/config/ lacks")
    endif()
    if(id IN_LIST ids)
        message(FATAL_ERROR "languages.txt: the language 0x${id} comes twice")
    endif()
    list(APPEND ids ${id})
    list(APPEND scripts ${PROJECT_SOURCE_DIR}/src/config/${texts})
    math(EXPR primary "0x${id} & 0x3FF" OUTPUT_FORMAT HEXADECIMAL)
    math(EXPR sub "0x${id} >> 10" OUTPUT_FORMAT HEXADECIMAL)
    string(APPEND rows "    {\"${locale}\", 0x${id}, \"${texts}\"},\n")
    string(APPEND script "LANGUAGE ${primary}, ${sub}\n#include \"${texts}\"\n")
endforeach()
# A language without resources is shown English (United States), as Windows
# itself falls back to it; so the module must have it.
if(NOT "0409" IN_LIST ids)
    message(FATAL_ERROR "languages.txt: English (United States), 0x0409, is every other "
            "language's fallback and must be there")
endif()
list(REMOVE_DUPLICATES scripts)
set(NUVEX_LANGUAGE_SCRIPTS ${scripts})
file(CONFIGURE OUTPUT ${NUVEX_GENERATED_DIR}/interface_languages.h CONTENT
"// Made from src/config/languages.txt by cmake/NuvexGenerated.cmake; do not edit.
// The languages the module has dialogs and strings in, in the module's order.
#pragma once

#include <cstdint>
#include <string_view>

struct InterfaceLanguage {
    std::string_view locale;     // the POSIX locale's language and territory
    std::uint16_t id;            // the Windows language id of its resources
    std::string_view resources;  // the script of its texts; languages naming the
                                 // same script show the same texts
};

inline constexpr InterfaceLanguage interface_languages[] = {
${rows}};

// What every language without resources is shown in: English (United States),
// as Windows does.
inline constexpr std::uint16_t fallback_language = 0x0409;
" @ONLY)
file(CONFIGURE OUTPUT ${NUVEX_GENERATED_DIR}/interface_languages.rc CONTENT
"// Made from src/config/languages.txt by cmake/NuvexGenerated.cmake; do not edit.
// Each language's dialogs and strings under its own LANGUAGE statement.
${script}" @ONLY)
