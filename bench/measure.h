// SPDX-License-Identifier: MIT
#pragma once

#include "benchscene.h"

// The program's measuring process: draws warmup + ticks frames of the field
// in the real view at Bench::width x Bench::height, prints its report and
// returns the exit status. The bare loop is a program of its own
// (heartsbench-bare), so that it carries none of the toolkit's libraries.
int runProgram(const Bench::ChildOptions &options, int &argc, char **argv);
