#include "app/PathNames.h"

namespace pictrano {

std::string joinPath(std::string_view directory, std::string_view name, char separator) {
    std::string joined(directory);
    if (!joined.empty() && joined.back() != separator) joined += separator;
    joined += name;
    return joined;
}

std::string fileNameStem(std::string_view path, std::string_view directoryEnds) {
    const std::size_t directoryEnd = path.find_last_of(directoryEnds);
    std::string_view name =
        directoryEnd == std::string_view::npos ? path : path.substr(directoryEnd + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) name = name.substr(0, dot);
    return std::string(name);
}

}  // namespace pictrano
