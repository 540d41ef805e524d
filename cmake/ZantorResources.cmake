# Resources that programs carry, by name, with one type (DSC_PDATA):
#
#   zantor_add_resources(<target> TYPE <type> ENTRIES <name> <file> [<name> <file> ...])
#     Windows: a generated .rc that windres compiles into the program, read
#     with FindResource / LoadLibraryExW as a data file.
#     Elsewhere: the container of platform/resource_container.h, appended to
#     the program by respack after every link (the link reruns when a file
#     changes). Don't strip such a program: strip drops the container.
#
#   zantor_embed_resources(<target>)
#     What Zantor carries: the settings file "ZANTOR" and the firmware images
#     "QJL04RCC", "QJL04RCC_1" and "QJL04RCC_2" (the last two are the
#     launcher's variants).
#
#   zantor_standin_image(<output> <size> <seed>)
#     A custom command that writes deterministic stand-in image bytes.
#
# Stand-in images are made at build time, once; they are never committed.

set(ZT_IMAGE_SIZE 17825885 CACHE STRING "Bytes of the stand-in firmware image QJL04RCC")
set(ZT_VARIANT_IMAGE_SIZE 1048576 CACHE STRING "Bytes of the stand-in images QJL04RCC_1/_2")
get_filename_component(ZT_RESOURCES_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/../resources ABSOLUTE)
get_filename_component(ZT_RESOURCE_TOOLS_DIR ${CMAKE_CURRENT_LIST_DIR}/../tools/resources ABSOLUTE)
if(WIN32)
  enable_language(RC)
endif()

# The generator runs on the build host, also when the build targets Windows.
if(CMAKE_CROSSCOMPILING)
  find_program(ZT_HOST_CC NAMES cc gcc clang REQUIRED)
  set(ZT_STANDIN_GENERATOR ${CMAKE_BINARY_DIR}/host/make_standin_image)
  add_custom_command(
    OUTPUT ${ZT_STANDIN_GENERATOR}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
    COMMAND ${ZT_HOST_CC} -O2 -o ${ZT_STANDIN_GENERATOR}
            ${ZT_RESOURCE_TOOLS_DIR}/make_standin_image.c
    DEPENDS ${ZT_RESOURCE_TOOLS_DIR}/make_standin_image.c
    COMMENT "Building the host's stand-in image generator"
    VERBATIM)
  add_custom_target(zt_standin_generator DEPENDS ${ZT_STANDIN_GENERATOR})
else()
  add_executable(make_standin_image ${ZT_RESOURCE_TOOLS_DIR}/make_standin_image.c)
  set(ZT_STANDIN_GENERATOR $<TARGET_FILE:make_standin_image>)
  add_custom_target(zt_standin_generator DEPENDS make_standin_image)
  # The packer of the appended container; Windows builds use windres instead.
  add_executable(respack ${ZT_RESOURCE_TOOLS_DIR}/respack.cc)
  target_link_libraries(respack PRIVATE platform)
endif()

function(zantor_standin_image output size seed)
  get_filename_component(dir ${output} DIRECTORY)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${ZT_STANDIN_GENERATOR} ${output} ${size} ${seed}
    DEPENDS zt_standin_generator ${ZT_STANDIN_GENERATOR}
    COMMENT "Writing stand-in image ${output}"
    VERBATIM)
endfunction()

function(zantor_add_resources target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "TYPE" "ENTRIES")
  list(LENGTH ARG_ENTRIES n)
  math(EXPR odd "${n} % 2")
  if(n EQUAL 0 OR odd OR NOT ARG_TYPE)
    message(FATAL_ERROR "zantor_add_resources(${target} TYPE <type> ENTRIES <name> <file> ...)")
  endif()
  set(files "")
  set(rc_text "")
  set(pack_args "")
  math(EXPR last "${n} - 1")
  foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET ARG_ENTRIES ${i} name)
    list(GET ARG_ENTRIES ${j} file)
    list(APPEND files ${file})
    string(APPEND rc_text "${name} ${ARG_TYPE} \"${file}\"\n")
    list(APPEND pack_args ${ARG_TYPE} ${name} ${file})
  endforeach()

  if(WIN32)
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.rc)
    file(CONFIGURE OUTPUT ${rc} CONTENT "${rc_text}" @ONLY)
    target_sources(${target} PRIVATE ${rc})
    # windres reads the files named in the .rc; CMake does not see them.
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${files}")
  else()
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND respack $<TARGET_FILE:${target}> ${pack_args}
      COMMENT "Appending resources to ${target}"
      VERBATIM)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${files})
  endif()
endfunction()

set(ZT_IMAGES_DIR ${CMAKE_BINARY_DIR}/resources)
set(ZT_IMAGE_FILE ${ZT_IMAGES_DIR}/l04_05.12.rcc)
set(ZT_IMAGE_Q01_FILE ${ZT_IMAGES_DIR}/l04_05.12_q01.rcc)
set(ZT_IMAGE_Q02_FILE ${ZT_IMAGES_DIR}/l04_05.12_q02.rcc)
zantor_standin_image(${ZT_IMAGE_FILE} ${ZT_IMAGE_SIZE} 512)
zantor_standin_image(${ZT_IMAGE_Q01_FILE} ${ZT_VARIANT_IMAGE_SIZE} 5121)
zantor_standin_image(${ZT_IMAGE_Q02_FILE} ${ZT_VARIANT_IMAGE_SIZE} 5122)
add_custom_target(zantor_standin_images
  DEPENDS ${ZT_IMAGE_FILE} ${ZT_IMAGE_Q01_FILE} ${ZT_IMAGE_Q02_FILE})

function(zantor_embed_resources target)
  add_dependencies(${target} zantor_standin_images)
  zantor_add_resources(${target} TYPE DSC_PDATA ENTRIES
    ZANTOR ${ZT_RESOURCES_SOURCE_DIR}/Zantor.ini
    QJL04RCC ${ZT_IMAGE_FILE}
    QJL04RCC_1 ${ZT_IMAGE_Q01_FILE}
    QJL04RCC_2 ${ZT_IMAGE_Q02_FILE})
endfunction()
