// The short report drevlin-flow prints on standard output: the stack, then each command's settings,
// timing, per-pair displacements and, for the built-in sample, the error against the known motion.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/main/flow_results.h"
#include "cli/stack_source.h"

// Pair tables longer than this show their first and last SUMMARY_EDGE_ROWS rows and a total.
constexpr int64_t SUMMARY_FULL_TABLE_PAIRS = 12;
constexpr int64_t SUMMARY_EDGE_ROWS = 5;
// Longer lists of written files name this many and count the others.
constexpr size_t SUMMARY_LISTED_FILES = 6;

// One line on what the stack is: where it comes from, its size, sample kind, conversion and calibration.
std::string DescribeStack(const StackSource& source);

void PrintStackSummary(FILE* out, const StackSource& source, int64_t chunkFrames, int64_t chunkCount);

void PrintCommandSummary(FILE* out, const OutputPlan& plan, const CommandOutputs& outputs);
