# The Windows build (MinGW-w64, cmake/mingw-w64.cmake): the programs link the C and C++ runtimes
# statically and import only Windows' own DLLs; the header-only libraries come from the Linux
# side's Debian packages, seen through a folder of their own so that the host's C headers stay out.
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX)
add_link_options(-static -static-libgcc -static-libstdc++)
# GCC 12 warns of overlapping copies inside std::string concatenation that cannot happen (a known
# false positive of its MinGW build at -O2).
add_compile_options(-Wno-restrict)

set(host_headers ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${host_headers})
foreach(folder CLI nlohmann stb)
  if(NOT EXISTS ${host_headers}/${folder})
    file(CREATE_LINK /usr/include/${folder} ${host_headers}/${folder} SYMBOLIC)
  endif()
endforeach()

add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${host_headers})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${host_headers})

# Debian's compiled stb library, built here from its headers for Windows.
add_library(tav_stb STATIC ${PROJECT_SOURCE_DIR}/platform/win32/stb_library.c)
target_include_directories(tav_stb SYSTEM PUBLIC ${host_headers}/stb)
target_compile_options(tav_stb PRIVATE -w)
add_library(PkgConfig::STB ALIAS tav_stb)
set(STB_INCLUDE_DIR ${host_headers}/stb)
