# Cross-compiling toolchain for 64-bit Windows with Debian's clang and lld, on the same
# mingw-w64 headers and libraries (and the POSIX-thread libstdc++) as the gcc toolchain.
# CI builds every target with it as a second compiler (scripts/build-clang.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
set(CMAKE_CXX_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_SYSROOT /usr/${TOOLCHAIN_PREFIX})

# Debian's clang does not find the gcc installation of the "-posix" variant by itself:
# name its C++ headers and libraries (and the threads library its driver adds for gcc).
file(GLOB TESTBENCH_MINGW_GCC_DIRS LIST_DIRECTORIES true /usr/lib/gcc/${TOOLCHAIN_PREFIX}/*-posix)
list(SORT TESTBENCH_MINGW_GCC_DIRS COMPARE NATURAL ORDER DESCENDING)
list(GET TESTBENCH_MINGW_GCC_DIRS 0 TESTBENCH_MINGW_GCC_DIR)
# libstdc++ also defines std::type_info::operator== out of line, which lld takes for a
# duplicate of clang's inline copy: use the library's.
set(CMAKE_CXX_FLAGS_INIT "-D__GXX_TYPEINFO_EQUALITY_INLINE=0 -nostdinc++ -isystem ${TESTBENCH_MINGW_GCC_DIR}/include/c++ \
-isystem ${TESTBENCH_MINGW_GCC_DIR}/include/c++/${TOOLCHAIN_PREFIX} \
-isystem ${TESTBENCH_MINGW_GCC_DIR}/include/c++/backward")
# lld resolves archives in any order, so the threads library may come first.
set(TESTBENCH_CLANG_LINK
    "-fuse-ld=lld -L${TESTBENCH_MINGW_GCC_DIR} -lpthread -Wno-unused-command-line-argument")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${TESTBENCH_CLANG_LINK}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${TESTBENCH_CLANG_LINK}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${TESTBENCH_CLANG_LINK}")

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
