#pragma once

#include "app/command_line.h"

class CUserMaps;

// The program: start-up, the message and frame loop, shutdown.  Answers the exit
// status, 0 on every path that the program itself ends.  The user's maps, read before,
// go to the world (null: the built-in ones).
int RunPlaneto(const SOptions& options, CUserMaps* pMaps = nullptr);

// The log every run writes, in the current directory.
extern const char* const PLANETO_LOG_PATH;
