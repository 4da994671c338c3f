# The closing line of tools/test.sh over two ctest logs as ctest writes them: skipped tests
# (GTEST_SKIP, counted among the passed in ctest's own line) and disabled ones are counted
# as skipped, never as passed.
# Usage: cmake -DSUMMARY=<tools/test_summary.sh> -DWORK=<folder> -P check_test_summary.cmake
file(MAKE_DIRECTORY ${WORK})
file(WRITE ${WORK}/normal.log [=[
1/5 Test #1: Corpus.Digests ....................***Skipped   0.01 sec
2/5 Test #2: Corpus.Outputs ....................***Skipped   0.01 sec
5/5 Test #5: Layers.Probe ......................***Not Run (Disabled)   0.00 sec

75% tests passed, 1 tests failed out of 4

Total Test time (real) =   0.02 sec

The following tests did not run:
	  1 - Corpus.Digests (Skipped)
	  2 - Corpus.Outputs (Skipped)
	  5 - Layers.Probe (Disabled)

The following tests FAILED:
	  3 - Run.Stops (Failed)
]=])
file(WRITE ${WORK}/sanitizers.log [=[
100% tests passed, 0 tests failed out of 910

Total Test time (real) =  80.00 sec
]=])
execute_process(COMMAND ${SUMMARY} ${WORK}/normal.log ${WORK}/sanitizers.log OUTPUT_VARIABLE line RESULT_VARIABLE rc)
file(REMOVE_RECURSE ${WORK})
if(NOT rc EQUAL 0 OR NOT line STREQUAL "tests: 911 passed, 1 failed, 3 skipped\n")
  message(FATAL_ERROR "the summary says (${rc}): ${line}")
endif()
