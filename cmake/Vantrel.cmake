# Helpers shared by every folder's CMakeLists.txt.

# vantrel_library(<name> [DEPS ...] [EXCLUDE file.cpp ...])
# A static library of every .cpp in the calling folder (and its subfolders),
# less the files named after EXCLUDE.
# Its public include root is src/ so that headers are included as "engine/platform/Log.h".
function(vantrel_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# vantrel_test(<name> DEPS ...)
# One GoogleTest executable of every .cpp in the calling folder; each test case
# becomes a CTest entry of its own. Test programs start through
# tests/support/TestMain.cpp, which makes them headless.
function(vantrel_test name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} vantrel_test_main GTest::gmock Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/tools)
  # The ThreadSanitizer build runs only tests that need no sample data.
  if(TARGET sample_data AND NOT VANTREL_TSAN)
    add_dependencies(${name} sample_data)
  endif()
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${VANTREL_BIN_DIR}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300)
endfunction()

# vantrel_sample_data(<folder> <generator> [FROM <folder>])
# Target sample_data: the sample data set in <folder>, written by <generator> (its
# target or its path) whenever the generator changes, or copied from another
# build's set FROM. Every build then writes again whatever file of the set is
# missing, and keeps every file that is there.
function(vantrel_sample_data folder generator)
  cmake_parse_arguments(ARG "" "FROM" "" ${ARGN})
  set(stamp ${folder}/.sample_data_stamp)
  if(ARG_FROM)
    add_custom_command(
      OUTPUT ${stamp}
      COMMAND ${CMAKE_COMMAND} -E copy_directory ${ARG_FROM}/Data ${folder}/Data
      COMMAND ${CMAKE_COMMAND} -E copy_directory ${ARG_FROM}/Graphics ${folder}/Graphics
      COMMAND ${CMAKE_COMMAND} -E copy_directory ${ARG_FROM}/Audio ${folder}/Audio
      COMMAND ${CMAKE_COMMAND} -E copy ${ARG_FROM}/Game.cfg ${folder}/Game.cfg
      COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
      DEPENDS ${ARG_FROM}/.sample_data_stamp
      COMMENT "Copying the sample data set of ${ARG_FROM}")
  else()
    add_custom_command(
      OUTPUT ${stamp}
      COMMAND ${generator} ${folder}
      COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
      DEPENDS ${generator}
      COMMENT "Generating the sample data set")
  endif()
  # With no output of its own it runs at every build: a few milliseconds when nothing is missing.
  add_custom_target(sample_data ALL
    COMMAND ${generator} --only-missing ${folder}
    DEPENDS ${stamp}
    COMMENT "Looking for missing files of the sample data set")
endfunction()

# vantrel_fuzzer(<name> <source> DEPS ...)
function(vantrel_fuzzer name source)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tools)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_property(GLOBAL APPEND PROPERTY VANTREL_FUZZERS ${name})
endfunction()

# vantrel_executables(<dir> <out>)
# Every executable target defined in <dir> and the folders below it.
function(vantrel_executables dir out)
  set(found)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      list(APPEND found ${target})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir ${subdirs})
    vantrel_executables(${subdir} below)
    list(APPEND found ${below})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# vantrel_sanitizer_defaults()
# Compiles the sanitizer runtimes' default options into every program of the
# tree; called last, once every target exists.
function(vantrel_sanitizer_defaults)
  vantrel_executables(${PROJECT_SOURCE_DIR} programs)
  foreach(program ${programs})
    target_sources(${program} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/SanitizerDefaults.cpp)
  endforeach()
endfunction()
