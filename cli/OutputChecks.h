#pragma once

#include <string>
#include <vector>

namespace pictrano {

// Notes on a run before it starts, one line each: sources whose outputs fall on the same file
// (the later replaces the earlier) and outputs that would replace their own source. The job still
// converts them as the window would.
std::vector<std::string> outputConflicts(const std::vector<std::string>& sources,
                                         const std::string& outputDirectory,
                                         const std::string& extension);

// Creates the output directory, with its parents, when it does not exist. False, with `note`
// saying why, when it cannot be created; otherwise `note` says what was created, or is empty.
bool createOutputDirectory(const std::string& directory, std::string& note);

}  // namespace pictrano
