# cmake -DSOURCE_DIR=... -DDATAGEN=... -DFROM=<a built set> -DSCRATCH=... -DGENERATOR=... -DMAKE_PROGRAM=...
#       -P SampleDataBuild.cmake
# The build's sample data rule (vantrel_sample_data) alone in a scratch tree, with a generator of its own whose
# first version copies FROM's set. The player cuts, empties and changes settings and best times and scribbles over
# a font table; then the generator is updated to DATAGEN: the next build writes the font table again and keeps
# the player's files. Then the player loses a table and a folder of pictures and scribbles over the font table
# again: the next build brings back what was lost and leaves every other file as it is.

# Runs a command; a failure ends the test with its output.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed:\n${out}")
  endif()
endfunction()

file(REMOVE_RECURSE ${SCRATCH})
set(generator ${SCRATCH}/datagen)
# The generator before the update: a whole run copies FROM's set, a run for missing files finds none.
file(WRITE ${generator}
  "#!/bin/sh\n"
  "[ $# = 1 ] || exit 0\n"
  "mkdir -p \"$1\" && cp -R '${FROM}/Data' '${FROM}/Graphics' '${FROM}/Audio' '${FROM}/Game.cfg' \"$1\"\n")
file(CHMOD ${generator} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
file(WRITE ${SCRATCH}/source/CMakeLists.txt
  "cmake_minimum_required(VERSION 3.22)\n"
  "project(SampleDataBuild NONE)\n"
  "include(${SOURCE_DIR}/cmake/Vantrel.cmake)\n"
  "vantrel_sample_data(\${CMAKE_BINARY_DIR}/bin ${generator})\n")
run(${CMAKE_COMMAND} -S ${SCRATCH}/source -B ${SCRATCH}/build -G ${GENERATOR} -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM})
run(${CMAKE_COMMAND} --build ${SCRATCH}/build)

set(bin ${SCRATCH}/build/bin)
set(players Game.cfg Data/Sound.cfg Data/Tracks/Finland/Records.bt Data/Tracks/Finland2/Records.bt)
set(bytes "cut" "" "Zed\t61234\n" "Zed\t71234\n")
foreach(file content IN ZIP_LISTS players bytes)
  file(WRITE ${bin}/${file} "${content}")
endforeach()
set(font Data/Font.dat)
file(WRITE ${bin}/${font} "X")
function(expect_players_kept)
  foreach(file content IN ZIP_LISTS players bytes)
    file(READ ${bin}/${file} now)
    if(NOT now STREQUAL content)
      message(SEND_ERROR "${file} was overwritten")
    endif()
  endforeach()
endfunction()
# The file is there as the generator writes it (FROM's), else `problem`.
function(expect_sample file problem)
  file(SHA256 ${FROM}/${file} sample)
  set(now missing)
  if(EXISTS ${bin}/${file})
    file(SHA256 ${bin}/${file} now)
  endif()
  if(NOT now STREQUAL sample)
    message(SEND_ERROR "${file} ${problem}")
  endif()
endfunction()

# The update: the generator's build writes a new one over it, a while after the last build of the set.
run(${CMAKE_COMMAND} -E sleep 0.1)
file(COPY_FILE ${DATAGEN} ${generator})
run(${CMAKE_COMMAND} --build ${SCRATCH}/build)
expect_players_kept()
expect_sample(${font} "was not written again after the generator's update")

# A player's table and a folder of the game's lost at once.
file(WRITE ${bin}/${font} "X")
file(REMOVE ${bin}/Data/Tracks/UK/Records.bt)
file(REMOVE_RECURSE ${bin}/Graphics/Textures/CountDown)
run(${CMAKE_COMMAND} --build ${SCRATCH}/build)
expect_players_kept()
file(READ ${bin}/${font} now)
if(NOT now STREQUAL "X")
  message(SEND_ERROR "${font} was overwritten")
endif()
if(NOT EXISTS ${bin}/Data/Tracks/UK/Records.bt)
  message(SEND_ERROR "the lost best times did not come back")
endif()
expect_sample(Graphics/Textures/CountDown/go.dds "did not come back as the sample's")
file(REMOVE_RECURSE ${SCRATCH})
