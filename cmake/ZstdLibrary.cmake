# zstd for the package's solid blocks, as the target Zstd::Zstd.
#
# Linux: Debian's libzstd-dev. Windows: mingw-w64 has no zstd package, so the build
# compiles the library statically from Debian's source package of it (the version the
# Linux build uses, when the archive still has it), fetched with `apt-get source` into
# the build tree once: no copy of zstd's sources lives in the repository. apt needs a
# deb-src line for that; `make deps` adds it (.ci/add-source-lists.sh).
if(NOT WIN32)
  pkg_check_modules(ZSTD REQUIRED IMPORTED_TARGET libzstd)
  add_library(Zstd::Zstd ALIAS PkgConfig::ZSTD)
  return()
endif()

set(SE_ZSTD_SOURCE_DIR "" CACHE PATH "zstd's unpacked Debian source (empty: fetched into the build tree)")
if(NOT SE_ZSTD_SOURCE_DIR)
  set(fetch_dir ${CMAKE_BINARY_DIR}/_deps/zstd-source)
  file(GLOB unpacked LIST_DIRECTORIES true ${fetch_dir}/libzstd-*/lib)
  if(NOT unpacked)
    file(MAKE_DIRECTORY ${fetch_dir})
    execute_process(COMMAND dpkg-query -W -f=\${source:Version} libzstd-dev
                    OUTPUT_VARIABLE linux_version ERROR_QUIET RESULT_VARIABLE no_version)
    set(wanted libzstd)
    if(no_version EQUAL 0 AND linux_version)
      set(wanted libzstd=${linux_version})
    endif()
    message(STATUS "Fetching zstd's Debian source (${wanted}) into ${fetch_dir}")
    execute_process(COMMAND apt-get source -qq ${wanted} WORKING_DIRECTORY ${fetch_dir} RESULT_VARIABLE failed)
    if(failed AND NOT wanted STREQUAL "libzstd")
      message(STATUS "${wanted} cannot be fetched (no longer in the archive, or its list is missing); fetching the current source")
      execute_process(COMMAND apt-get source -qq libzstd WORKING_DIRECTORY ${fetch_dir} RESULT_VARIABLE failed)
    endif()
    file(GLOB unpacked LIST_DIRECTORIES true ${fetch_dir}/libzstd-*/lib)
    if(failed OR NOT unpacked)
      message(FATAL_ERROR "zstd's Debian source could not be fetched: `make deps` adds the deb-src lines "
                          "apt-get source needs (or set SE_ZSTD_SOURCE_DIR to an unpacked source)")
    endif()
  endif()
  list(GET unpacked 0 zstd_lib)
  get_filename_component(SE_ZSTD_SOURCE_DIR ${zstd_lib} DIRECTORY)
endif()

file(GLOB zstd_sources ${SE_ZSTD_SOURCE_DIR}/lib/common/*.c ${SE_ZSTD_SOURCE_DIR}/lib/compress/*.c
     ${SE_ZSTD_SOURCE_DIR}/lib/decompress/*.c)
add_library(se_zstd STATIC ${zstd_sources})
target_include_directories(se_zstd SYSTEM PUBLIC ${SE_ZSTD_SOURCE_DIR}/lib)
# The assembly decoder is for x86-64 System V only; one thread per frame is what the
# package needs.
target_compile_definitions(se_zstd PRIVATE ZSTD_DISABLE_ASM XXH_NAMESPACE=ZSTD_)
target_compile_options(se_zstd PRIVATE -O3 -w)
add_library(Zstd::Zstd ALIAS se_zstd)
