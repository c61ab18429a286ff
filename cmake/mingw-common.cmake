# Shared part of the MinGW-w64 toolchain files; TAVRIX_MINGW_TRIPLET is set by
# the file that includes this one. The POSIX-thread compilers are needed for
# std::thread and std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TAVRIX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVRIX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVRIX_MINGW_TRIPLET}-windres)

# scripts/windows-deps installs libssh and OpenSSL's libcrypto here.
if(DEFINED ENV{TAVRIX_DEPS_DIR})
    set(TAVRIX_DEPS_DEFAULT $ENV{TAVRIX_DEPS_DIR}/${TAVRIX_MINGW_TRIPLET})
else()
    set(TAVRIX_DEPS_DEFAULT /var/cache/tavrix-windows-deps-openssl/${TAVRIX_MINGW_TRIPLET})
endif()
set(TAVRIX_DEPS_PREFIX ${TAVRIX_DEPS_DEFAULT} CACHE PATH "Where the static SSH libraries are installed")

set(CMAKE_FIND_ROOT_PATH /usr/${TAVRIX_MINGW_TRIPLET} ${TAVRIX_DEPS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config sees the target's libraries only, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} ${TAVRIX_DEPS_PREFIX}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# Only system DLLs may be imported: the runtime goes into the binaries.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Where widl finds oaidl.idl and stdole2.tlb (Debian's libwine-dev).
set(TAVRIX_WIDL ${TAVRIX_MINGW_TRIPLET}-widl CACHE STRING "IDL compiler")
set(TAVRIX_WINE_IDL_DIR /usr/include/wine/wine/windows CACHE PATH "Folder of oaidl.idl")
set(TAVRIX_WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows CACHE PATH "Folder of stdole2.tlb")
