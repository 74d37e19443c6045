#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace pictrano::test {

// What a run of the built command-line tool gave: its exit status (-1 when it did not exit),
// standard output and standard error.
struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the built tool with its settings kept under `config`.
CliRun runCli(const std::vector<std::string>& arguments, const std::filesystem::path& config);

}  // namespace pictrano::test
