# tekuteku_add_resources(<target> [STANDINS])
# Compiles resources/tekuteku.rc with windres and links it into <target>.
# STANDINS (for test programs only): sheet and sounds not yet present in resources/ are replaced
# by black/silent placeholders generated in the build tree.
set(TEKUTEKU_RESOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})

function(tekuteku_add_resources target)
  cmake_parse_arguments(arg "STANDINS" "" "" ${ARGN})
  set(res ${TEKUTEKU_RESOURCE_DIR})
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
  set(object ${out}/tekuteku_rc.o)
  # Re-globbed at every build, so a sheet or sound that arrives later triggers a rebuild.
  file(GLOB inputs CONFIGURE_DEPENDS ${res}/*.rc ${res}/*.h ${res}/*.bmp ${res}/*.wav)
  # The version resource's numbers, from project(VERSION).
  file(CONFIGURE OUTPUT ${out}/version.h CONTENT
"#define TEKUTEKU_VERSION_MAJOR @PROJECT_VERSION_MAJOR@
#define TEKUTEKU_VERSION_MINOR @PROJECT_VERSION_MINOR@
#define TEKUTEKU_VERSION_PATCH @PROJECT_VERSION_PATCH@
#define TEKUTEKU_VERSION_TEXT \"@PROJECT_VERSION@\"
" @ONLY)
  set(prepare ${CMAKE_COMMAND} -E make_directory ${out})
  if(arg_STANDINS)
    set(prepare /usr/bin/python3 ${PROJECT_SOURCE_DIR}/tests/windows/settings/make_standins.py ${res} ${out})
  endif()
  add_custom_command(OUTPUT ${object}
    COMMAND ${prepare}
    COMMAND ${CMAKE_RC_COMPILER} -I ${res} -I ${out} ${res}/tekuteku.rc -O coff -o ${object}
    DEPENDS ${inputs} ${out}/version.h
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    COMMENT "Compiling the resources of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${object})
  set_source_files_properties(${object} PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)
endfunction()
