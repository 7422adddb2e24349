#include "app/command_line.h"

#include "framework/file_service.h"

#include <dirent.h>
#include <strings.h>

namespace quillery {
namespace {

std::vector<std::string> quotedTexts(std::string_view text) {
    std::vector<std::string> arguments;
    size_t open = text.find('"');
    while (open != std::string_view::npos) {
        size_t close = text.find('"', open + 1);
        if (close == std::string_view::npos) {
            break; // an unpaired quote: what follows it is no argument
        }
        arguments.emplace_back(text.substr(open + 1, close - open - 1));
        open = text.find('"', close + 1);
    }
    return arguments;
}

// The name of the entry in `folder` that matches `name`: the exact one when it exists, else the first that
// equals it without regard to ASCII case; empty when none does.
std::string storedName(const std::string& folder, const std::string& name) {
    DIR* directory = ::opendir(folder.c_str());
    if (!directory) {
        return {};
    }
    std::string found;
    while (dirent* entry = ::readdir(directory)) {
        if (name == entry->d_name) {
            found = name;
            break;
        }
        if (found.empty() && ::strcasecmp(name.c_str(), entry->d_name) == 0) {
            found = entry->d_name;
        }
    }
    ::closedir(directory);
    return found;
}

} // namespace

std::vector<std::string> splitCommandLine(std::string_view text, const PieceResolver& resolve) {
    if (text.empty()) {
        return {};
    }
    if (text.find('"') != std::string_view::npos) {
        return quotedTexts(text);
    }
    std::vector<std::string> arguments;
    size_t start = 0;
    while (start <= text.size()) {
        size_t space = text.find(' ', start);
        size_t end = space == std::string_view::npos ? text.size() : space;
        if (end > start) {
            arguments.push_back(resolve(std::string(text.substr(start, end - start))));
        }
        if (space == std::string_view::npos) {
            break;
        }
        start = space + 1;
    }
    return arguments;
}

std::string resolveCommandLinePiece(const std::string& piece) {
    FileService file(piece);
    std::string folder = file.parentFolder();
    std::string name = storedName(folder, file.fileName());
    if (name.empty() || name == "." || name == "..") {
        return folder;
    }
    return folder == "/" ? folder + name : folder + "/" + name;
}

std::vector<std::string> filesFromArguments(int argc, const char* const* argv) {
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        // An empty argument names no file; made absolute it would name the current folder.
        files.push_back(argv[i][0] == '\0' ? std::string() : FileService(argv[i]).fullPath());
    }
    return files;
}

} // namespace quillery
