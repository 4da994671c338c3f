// Built only by the layer test, which expects it not to compile: the run's plan sees the
// jobs' vocabulary, and its include path does not reach the engine's folder.
#include "run/jobs/batch_job.h"
#include "run/engine/batch_run.h"
