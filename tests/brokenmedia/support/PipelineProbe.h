#pragma once

// A playback pipeline with a record of its pictures and statuses, from the pipeline tests.
#include "../../pipeline/support/PipelineProbe.h"
