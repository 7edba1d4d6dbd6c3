#pragma once

#include "app/command_line.h"

// The program: start-up, the message and frame loop, shutdown.  Answers the exit
// status, 0 on every path that the program itself ends.
int RunPlaneto(const SOptions& options);

// The log every run writes, in the current directory.
extern const char* const PLANETO_LOG_PATH;
