# Runs one fuzzer for a bounded time on a fresh copy of its seed corpus.
# Called by CTest as: cmake -DFUZZER=... -DSEEDS=... -DWORK=... -DARGS=... -P RunFuzzer.cmake
foreach(var FUZZER SEEDS WORK ARGS)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "RunFuzzer.cmake: ${var} not given")
    endif()
endforeach()

# Start from the seeds alone each time, so a run does not depend on the last.
file(REMOVE_RECURSE "${WORK}/corpus")
file(MAKE_DIRECTORY "${WORK}/corpus" "${WORK}/artifacts")
file(COPY "${SEEDS}/" DESTINATION "${WORK}/corpus")

execute_process(
    COMMAND "${FUZZER}" ${ARGS} "-artifact_prefix=${WORK}/artifacts/" "${WORK}/corpus"
    WORKING_DIRECTORY "${WORK}"
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${FUZZER} failed (${result}); reproducer in ${WORK}/artifacts/")
endif()
