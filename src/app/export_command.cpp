#include "app/export_command.h"

#include "app/page_export.h"
#include "app/page_renderer.h"
#include "framework/file_service.h"

#include <QGuiApplication>

#include <cstdio>

namespace quillery {
namespace {

constexpr const char* kExportOption = "--export-pages";

// The offscreen platform has no runtime folder and says so; that is no news to a pipeline.
void filterQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (!message.contains(QLatin1String("XDG_RUNTIME_DIR"))) {
        qt_message_output(type, context, message);
    }
}

// The value of option `name` at `arguments[at]`: after "=" in the same argument, or the next argument.
std::optional<std::string> optionValue(const std::vector<std::string>& arguments, size_t& at,
                                       const std::string& name, std::string& error) {
    const std::string& argument = arguments[at];
    if (argument.size() > name.size() && argument[name.size()] == '=') {
        return argument.substr(name.size() + 1);
    }
    if (at + 1 >= arguments.size()) {
        error = name + " needs a value";
        return std::nullopt;
    }
    return arguments[++at];
}

bool isOption(const std::string& argument, const std::string& name) {
    return argument == name || argument.rfind(name + "=", 0) == 0;
}

bool parseOption(const std::vector<std::string>& arguments, size_t& at, ExportCommand& command,
                 bool& folderSeen, std::string& error) {
    const std::string& argument = arguments[at];
    std::string name;
    for (const char* known : {kExportOption, "--font", "--scale"}) {
        if (isOption(argument, known)) {
            name = known;
        }
    }
    if (name.empty()) {
        error = "unknown option " + argument;
        return false;
    }
    std::optional<std::string> value = optionValue(arguments, at, name, error);
    if (!value) {
        return false;
    }
    if (name == kExportOption) {
        if (folderSeen || value->empty()) {
            error = folderSeen ? "--export-pages given twice" : "--export-pages needs a folder";
            return false;
        }
        command.folder = *value;
        folderSeen = true;
    } else if (name == "--font") {
        if (*value != "small" && *value != "large") {
            error = "--font must be small or large, not \"" + *value + "\"";
            return false;
        }
        command.font = *value == "small" ? ViewFont::Small : ViewFont::Large;
    } else {
        if (value->size() != 1 || (*value)[0] < '0' + kMinPreviewScale ||
            (*value)[0] > '0' + kMaxPreviewScale) {
            error = "--scale must be 1, 2, 3 or 4, not \"" + *value + "\"";
            return false;
        }
        command.scale = (*value)[0] - '0';
    }
    return true;
}

} // namespace

bool isExportPagesCommand(int argc, const char* const* argv) {
    return argc > 1 && isOption(argv[1], kExportOption);
}

std::optional<ExportCommand> parseExportPagesCommand(const std::vector<std::string>& arguments,
                                                     std::string& error) {
    ExportCommand command;
    command.scale = kDefaultPreviewScale;
    bool folderSeen = false;
    std::vector<std::string> books;
    for (size_t at = 0; at < arguments.size(); ++at) {
        if (arguments[at].rfind("--", 0) == 0) {
            if (!parseOption(arguments, at, command, folderSeen, error)) {
                return std::nullopt;
            }
        } else {
            books.push_back(arguments[at]);
        }
    }
    if (!folderSeen) {
        error = "--export-pages needs a folder";
        return std::nullopt;
    }
    if (books.size() != 1 || books[0].empty()) {
        error = books.size() > 1 ? "one book at a time" : "no book named";
        return std::nullopt;
    }
    command.book = books[0];
    return command;
}

int runExportPagesCommand(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string error;
    std::optional<ExportCommand> command = parseExportPagesCommand(arguments, error);
    if (!command) {
        std::fprintf(stderr, "quillery: %s\n%s\n", error.c_str(), kExportPagesUsage);
        return 2;
    }
    // No window is shown: the pages are drawn off screen, on any machine, with a display or without.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(filterQtMessages);
    QGuiApplication application(argc, argv);
    std::unique_ptr<PreviewBook> book = PreviewBook::open(FileService(command->book).fullPath(), error);
    ExportRequest request;
    request.font = command->font;
    request.scale = command->scale;
    request.folder = command->folder;
    if (!book || !exportPages(*book, request, error)) {
        std::fprintf(stderr, "quillery: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

} // namespace quillery
