// What a build stopped by SIGINT or SIGTERM must not leave behind: its temporary files, an unfinished book
// and a check's scratch folder.
//
// The build names each such file here while it may exist. Once installInterruptCleanup() has run, the signal
// handler only writes the signal number into a pipe; a watcher thread reads it, removes every named file and
// folder under the same lock that the build takes to create and to rename them, and ends the process with
// status 128 + signal. Nothing but write() runs inside the handler.
#pragma once

#include <mutex>
#include <string>

namespace quillery {

class InterruptCleanup {
  public:
    // Held across creating a file and naming it here (or renaming it and forgetting it), so that an
    // interruption never falls between the two.
    static std::unique_lock<std::recursive_mutex> hold();

    // A file to remove (unlink: a link, never what it points to).
    static void addFile(const std::string& path);
    static void dropFile(const std::string& path);
    // A private folder to remove with everything in it.
    static void addFolder(const std::string& path);
    static void dropFolder(const std::string& path);

    // Removes every named file and folder now (what the watcher does before it ends the process).
    static void removeAll();
};

// Catches SIGINT and SIGTERM for the rest of the process. Returns false when the pipe or thread could not be
// made (the signals then keep their default action).
bool installInterruptCleanup();

} // namespace quillery
