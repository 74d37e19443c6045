#pragma once

#include <string>

#include "app/OptionStore.h"
#include "cli/CommandLine.h"

namespace pictrano {

// Puts the option values a command line gives into the store; false, with `error` set, when a
// value is not valid.
bool applyOptionOverrides(const CommandLine& line, OptionStore& options, std::string& error);

}  // namespace pictrano
