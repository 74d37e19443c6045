#include "tests/support/CliRun.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace pictrano::test {
namespace {

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace

CliRun runCli(const std::vector<std::string>& arguments, const std::filesystem::path& config) {
    const auto errFile = config / "stderr.txt";
    std::string command = "XDG_CONFIG_HOME=" + quoted(config.string()) + " " + quoted(PICTRANO_CLI);
    for (const auto& argument : arguments) command += " " + quoted(argument);
    command += " 2>" + quoted(errFile.string());
    CliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    std::size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, count);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errFile);
    run.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    return run;
}

}  // namespace pictrano::test
