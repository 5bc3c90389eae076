# Cross-compiles the Windows module with MinGW-w64 for i686 Windows.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(NUVEX_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)

# Same floating-point results as the Linux build: no fused multiply-adds,
# and SSE2 arithmetic instead of the x87 unit (which the runtime leaves in
# extended precision).
set(CMAKE_C_FLAGS_INIT "-ffp-contract=off -msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-ffp-contract=off -msse2 -mfpmath=sse")
