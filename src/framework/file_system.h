// FileSystem: the operations a build needs on the files it makes itself (its temporary files and the book).
//
// The build is given one; the default works on the real file system. A fake can keep everything in memory,
// which lets a fuzzer run thousands of whole builds a second.
#pragma once

#include "framework/file_service.h"

#include <memory>
#include <string>

namespace quillery {

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // A new file at `path`, open for reading and writing (FileService::createNew); null when anything is
    // already there or the file cannot be made.
    virtual std::unique_ptr<FileService> createNew(const std::string& path);
    // A new file with a short hidden name of its own in `folder`, open for reading and writing, with the mode
    // a plain create gives. Its path is the returned object's path(). Null when none can be made.
    virtual std::unique_ptr<FileService> createHidden(const std::string& folder);
    // Removes the name `path` (a link, never what it points to). Succeeds when nothing is there.
    [[nodiscard]] virtual int removeIfPresent(const std::string& path);
    // Gives the file named `from` the name `to` in one step. With `replace` a file at `to` is replaced;
    // without it the call fails when anything is at `to`, and never replaces it.
    [[nodiscard]] virtual int rename(const std::string& from, const std::string& to, bool replace);
    // Makes the names in `folder` durable (after a rename).
    [[nodiscard]] virtual int syncFolder(const std::string& folder);
};

// The real file system.
FileSystem& systemFileSystem();

} // namespace quillery
