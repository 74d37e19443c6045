#include "cli/OutputChecks.h"

#include <filesystem>
#include <map>
#include <system_error>

#include "app/JobPreparation.h"
#include "platform/WholeFile.h"

namespace pictrano {

std::vector<std::string> outputConflicts(const std::vector<std::string>& sources,
                                         const std::string& outputDirectory,
                                         const std::string& extension) {
    std::vector<std::string> notes;
    std::map<std::string, std::string> firstSourceOf;
    for (const std::string& source : sources) {
        const std::string output = outputPathFor(outputDirectory, source, extension);
        const auto [first, isNew] = firstSourceOf.try_emplace(output, source);
        if (!isNew) {
            notes.push_back(source + " and " + first->second + " both make " + output +
                            "; the later replaces the earlier");
        }
        std::error_code error;
        if (std::filesystem::equivalent(pathFromUtf8(source), pathFromUtf8(output), error)) {
            notes.push_back(output + " is the source " + source + " itself and will be replaced");
        }
    }
    return notes;
}

bool createOutputDirectory(const std::string& directory, std::string& note) {
    note.clear();
    const std::filesystem::path path = pathFromUtf8(directory);
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(path, error))) return true;
    std::filesystem::create_directories(path, error);
    if (error) {
        note = "the output directory " + directory + " cannot be created: " + error.message();
        return false;
    }
    note = "created the output directory " + directory;
    return true;
}

}  // namespace pictrano
