# Flags shared by every target of the project.

# Results must replay bit for bit: no contraction into fused multiply-adds,
# no fast-math, SSE arithmetic on 32-bit x86.
add_compile_options(-ffp-contract=off -fno-fast-math)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "i[3-6]86" OR NUVEX_TARGET_I686)
    add_compile_options(-msse2 -mfpmath=sse)
endif()

add_compile_options(-Wall -Wextra -Wshadow -Wno-unused-parameter)
if(NUVEX_WERROR)
    add_compile_options(-Werror)
endif()

if(NUVEX_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

if(NUVEX_FUZZ)
    # Coverage for the fuzzer everywhere; the fuzz targets link the fuzzer itself.
    set(coverage_ignore ${PROJECT_SOURCE_DIR}/fuzz/coverage_ignore.txt)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer -fsanitize-coverage-ignorelist=${coverage_ignore})
    add_link_options(-fsanitize=address,undefined)
    # The build does not see into the ignore list: its digest among the
    # definitions makes an edit of it rebuild everything it affects.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${coverage_ignore})
    file(MD5 ${coverage_ignore} coverage_ignore_digest)
    add_compile_definitions(NUVEX_COVERAGE_IGNORE_DIGEST=${coverage_ignore_digest})
endif()

if(NOT WIN32)
    # Only the shared libraries a program really uses become its dependencies.
    add_link_options(-Wl,--as-needed)
endif()

# nuvex_glob_library(<name> <dir>...) builds a static library from every .cpp
# file in the given source folders and their subfolders, so new files need no
# edit here. A folder named entry/ holds a program's main() and is left out.
function(nuvex_glob_library name)
    set(sources)
    foreach(dir IN LISTS ARGN)
        file(GLOB_RECURSE found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
        list(FILTER found EXCLUDE REGEX "/entry/[^/]*$")
        list(APPEND sources ${found})
    endforeach()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()
