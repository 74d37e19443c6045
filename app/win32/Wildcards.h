#pragma once

#include <string>
#include <vector>

namespace pictrano {

// Expands the wildcards * and ? in the last component of each file argument, as a POSIX shell
// would for the tool: the matching files (not folders) of that folder in name order, each
// joined to the argument's folder part as written. An argument without wildcards, or whose
// pattern matches nothing, is kept as it is (the job then reports it).
std::vector<std::string> expandWildcards(const std::vector<std::string>& arguments);

}  // namespace pictrano
