#pragma once

#include "app/command_line.h"

#include <string>
#include <vector>

// The text with every override of the given store ("engine", "appli", "font") put in,
// in order, so that a later one wins.  An override changes the value the lookup would
// find; a key the lookup cannot find is added just below its section header, and a
// missing section is added at the end.
std::string ApplySettingOverrides(const char* pText, size_t uLength,
                                  const std::vector<SSettingOverride>& overrides, const std::string& store);

// Puts the overrides into the built-in texts for the rest of the run.
void InstallSettingOverrides(const std::vector<SSettingOverride>& overrides);

// One line for each override whose key the built-in text lacks (a misspelt key or
// section is the usual cause), naming the text's nearest key when one is close.  Such
// keys are still added; the lines only warn.
std::vector<std::string> SettingOverrideWarnings(const std::vector<SSettingOverride>& overrides);
