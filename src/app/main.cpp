// The desktop program: drop ".tml" and ".txt" sources on its window, or name them on the command line, and
// each becomes a ".tdb" book beside it. With files named, it builds them and closes unless something was
// reported. `quillery --export-pages DIR ... BOOK.tdb` saves a book's pages as images instead, without a
// window.

#include "app/command_line.h"
#include "app/export_command.h"
#include "app/message_box.h"
#include "app/shell_app.h"
#include "app/shell_messages.h"
#include "app/system_check.h"
#include "framework/interrupt_cleanup.h"

#include <QApplication>
#include <QIcon>

#include <memory>

int main(int argc, char** argv) {
    using namespace quillery;
    if (isExportPagesCommand(argc, argv)) {
        return runExportPagesCommand(argc, argv); // no window: pages saved as images
    }
    QApplication qtApplication(argc, argv); // takes out the toolkit's own options
    // SIGINT and SIGTERM remove a running build's temporary files and unfinished book before the program
    // ends.
    (void)installInterruptCleanup();
    if (!runningSystemIsSupported()) {
        MessageBox::showError(QStringLiteral("Error"),
                              QStringLiteral("Quillery requires Windows 98 or later."));
        return 1;
    }
    // The framework decides when the loop ends: when a quit request has closed every window.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quillery/pictures/quillery-256.png")));

    auto shell = std::make_unique<ShellApp>();
    Application& application = shell->application();
    application.send(nullptr, MsgStartup);

    auto commandLine = std::make_unique<CommandLineRecord>();
    commandLine->files = filesFromArguments(argc, argv);
    application.send(nullptr, MsgCommandLine, commandLine.get());

    const int exitCode = QApplication::exec();
    application.send(nullptr, MsgShutdown);
    commandLine.reset();
    shell.reset();
    return exitCode;
}
