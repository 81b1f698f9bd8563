# Every folder of src/ is one static library whose sources are the folder's .cpp
# files; a new file needs no edit here. A folder that has no sources yet becomes an
# interface library, so the layers can be declared before they are filled.

set(SE_WARNINGS -Wall -Wextra -Werror)
# GCC 12 at -O3 reports -Wrestrict inside std::string for "x" + str (GCC bug 105651).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  list(APPEND SE_WARNINGS -Wno-restrict)
endif()

function(se_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;DEPS" ${ARGN})
  set(sources)
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_compile_options(${name} PRIVATE ${SE_WARNINGS} ${SE_HARDENING})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# The Windows resources of a program (tools/windows/): manifest with the execution
# level, version information, and the icon for the programs players see.
function(se_windows_resources name description level icon)
  set(SE_RES_NAME ${name})
  set(SE_RES_DESCRIPTION ${description})
  set(SE_RES_LEVEL ${level})
  set(out ${CMAKE_CURRENT_BINARY_DIR}/resources/${name})
  set(SE_RES_MANIFEST ${out}/${name}.manifest)
  if(icon)
    set(SE_RES_ICON_LINE "MAINICON ICON \"${icon}\"")
  else()
    set(SE_RES_ICON_LINE "")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/tools/windows/program.manifest.in ${SE_RES_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/tools/windows/program.rc.in ${out}/${name}.rc @ONLY)
  target_sources(${name} PRIVATE ${out}/${name}.rc)
  # The programs handed out carry no symbol table: it is dead weight to a player, and
  # a resource update of the program (the uninstaller's icon) leaves the header's
  # pointer to it stale.
  target_link_options(${name} PRIVATE $<$<NOT:$<CONFIG:Debug>>:-s>)
endfunction()

# A program of tools/: the sources of its folder, our warnings, the given libraries.
function(se_program name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_compile_options(${name} PRIVATE ${SE_WARNINGS} ${SE_HARDENING})
  target_link_libraries(${name} PRIVATE ${ARGN})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
endfunction()
