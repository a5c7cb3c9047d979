// Loads and scans generated data files of several sizes and reports, for each size, the time and the
// peak resident memory of the load and of the duplicate scan.
//
//   qosweep_bench                     every kind at its default sizes
//   qosweep_bench contacts [N ...]    default sizes 1000 5000 25000
//   qosweep_bench events [N ...]      default sizes 1000 5000 20000
//   qosweep_bench N ...               every kind at these sizes

#include "bench/BenchKinds.h"

int main(int argc, char** argv)
{
    return RunBench(argc, argv, {&ContactBench(), &EventBench()});
}
