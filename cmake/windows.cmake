# The Windows build: cross-built with cmake/mingw-w64.cmake against the static
# libraries that scripts/windows-deps builds. Only the core libraries and their
# tests: there is no Qt for Windows here, so no window program and no tools.
set(QUORRIN_WINDEPS "${PROJECT_SOURCE_DIR}/build/windeps/prefix"
    CACHE PATH "Prefix of the cross-built libraries (scripts/windows-deps)")
if(NOT EXISTS "${QUORRIN_WINDEPS}/stamps")
  message(FATAL_ERROR "No cross-built libraries in ${QUORRIN_WINDEPS}: run scripts/windows-deps")
endif()
# The prefix is searched as a root of its own, beside the MinGW sysroot.
list(APPEND CMAKE_FIND_ROOT_PATH "${QUORRIN_WINDEPS}")
list(APPEND CMAKE_PREFIX_PATH "${QUORRIN_WINDEPS}")

set(QUORRIN_BUILD_APP OFF CACHE BOOL "Build the Qt window program" FORCE)
set(QUORRIN_BUILD_BENCH OFF CACHE BOOL "Build the benchmarks" FORCE)
if(QUORRIN_SANITIZE)
  message(FATAL_ERROR "The sanitizers are not available for the Windows build")
endif()

# Windows 10 and later: the API level MinGW-w64 assumes by default, said aloud.
add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00 UNICODE _UNICODE NOMINMAX)

# The same targets the Linux build gets from pkg-config, so that the libraries
# and tests link them under one name on both systems.
find_package(CURL CONFIG REQUIRED)
add_library(PkgConfig::CURL INTERFACE IMPORTED)
target_link_libraries(PkgConfig::CURL INTERFACE CURL::libcurl)

find_path(QUORRIN_PCRE2_INCLUDE pcre2.h REQUIRED)
find_library(QUORRIN_PCRE2_LIBRARY pcre2-16 REQUIRED)
add_library(PkgConfig::PCRE2 INTERFACE IMPORTED)
target_include_directories(PkgConfig::PCRE2 INTERFACE "${QUORRIN_PCRE2_INCLUDE}")
target_link_libraries(PkgConfig::PCRE2 INTERFACE "${QUORRIN_PCRE2_LIBRARY}")
target_compile_definitions(PkgConfig::PCRE2 INTERFACE PCRE2_STATIC)

# The tests' servers: httplib with TLS on OpenSSL, as Debian builds it.
set(OPENSSL_USE_STATIC_LIBS ON)
find_package(OpenSSL 3 REQUIRED)
find_path(QUORRIN_HTTPLIB_INCLUDE httplib.h REQUIRED)
add_library(PkgConfig::HTTPLIB INTERFACE IMPORTED)
target_include_directories(PkgConfig::HTTPLIB INTERFACE "${QUORRIN_HTTPLIB_INCLUDE}")
target_compile_definitions(PkgConfig::HTTPLIB INTERFACE CPPHTTPLIB_OPENSSL_SUPPORT)
target_link_libraries(PkgConfig::HTTPLIB INTERFACE OpenSSL::SSL OpenSSL::Crypto ws2_32 crypt32)
