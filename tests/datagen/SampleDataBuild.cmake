# cmake -DSOURCE_DIR=... -DDATAGEN=... -DFROM=<a built set> -DSCRATCH=... -DGENERATOR=... -DMAKE_PROGRAM=...
#       -P SampleDataBuild.cmake
# The build's sample data rule (vantrel_sample_data) alone in a scratch tree, its set copied from FROM. The
# player cuts, empties and changes settings and best times and scribbles over a font table, then loses a table,
# then a folder of pictures: each next build brings back what was lost and leaves every other file as it is.

# Runs a command; a failure ends the test with its output.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed:\n${out}")
  endif()
endfunction()

file(REMOVE_RECURSE ${SCRATCH})
file(WRITE ${SCRATCH}/source/CMakeLists.txt
  "cmake_minimum_required(VERSION 3.22)\n"
  "project(SampleDataBuild NONE)\n"
  "include(${SOURCE_DIR}/cmake/Vantrel.cmake)\n"
  "vantrel_sample_data(\${CMAKE_BINARY_DIR}/bin ${DATAGEN} FROM ${FROM})\n")
run(${CMAKE_COMMAND} -S ${SCRATCH}/source -B ${SCRATCH}/build -G ${GENERATOR} -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM})
run(${CMAKE_COMMAND} --build ${SCRATCH}/build)

set(bin ${SCRATCH}/build/bin)
set(kept Game.cfg Data/Sound.cfg Data/Tracks/Finland/Records.bt Data/Tracks/Finland2/Records.bt Data/Font.dat)
set(bytes "cut" "" "Zed\t61234\n" "Zed\t71234\n" "X")
foreach(file content IN ZIP_LISTS kept bytes)
  file(WRITE ${bin}/${file} "${content}")
endforeach()
function(expect_kept)
  foreach(file content IN ZIP_LISTS kept bytes)
    file(READ ${bin}/${file} now)
    if(NOT now STREQUAL content)
      message(SEND_ERROR "${file} was overwritten")
    endif()
  endforeach()
endfunction()

# A player's file lost alone, then a folder of the game's.
file(REMOVE ${bin}/Data/Tracks/UK/Records.bt)
run(${CMAKE_COMMAND} --build ${SCRATCH}/build)
expect_kept()
if(NOT EXISTS ${bin}/Data/Tracks/UK/Records.bt)
  message(SEND_ERROR "the lost best times did not come back")
endif()

file(REMOVE_RECURSE ${bin}/Graphics/Textures/CountDown)
run(${CMAKE_COMMAND} --build ${SCRATCH}/build)
expect_kept()
set(picture Graphics/Textures/CountDown/go.dds)
file(SHA256 ${FROM}/${picture} sample)
set(now missing)
if(EXISTS ${bin}/${picture})
  file(SHA256 ${bin}/${picture} now)
endif()
if(NOT now STREQUAL sample)
  message(SEND_ERROR "${picture} did not come back as the sample's")
endif()
file(REMOVE_RECURSE ${SCRATCH})
