// Built into this suite too: the pipeline tests' probe.
#include "../../pipeline/support/PipelineProbe.cpp"
