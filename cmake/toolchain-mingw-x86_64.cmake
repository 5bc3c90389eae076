# Cross-compiles the Windows module with MinGW-w64 for x86_64 Windows.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(NUVEX_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)

# Same floating-point results as the Linux build: no fused multiply-adds.
set(CMAKE_C_FLAGS_INIT "-ffp-contract=off")
set(CMAKE_CXX_FLAGS_INIT "-ffp-contract=off")
