// The kinds the benchmark measures, each in a file of its own.
#pragma once

#include "bench/BenchSupport.h"

const BenchKind& ContactBench();
const BenchKind& EventBench();
