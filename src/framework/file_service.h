// FileService: one file system path and the operations a build needs on it.
//
// Every operation that can fail returns 0 for success and nonzero for failure. Only regular files are ever
// opened: a directory, device, FIFO or socket at the path makes open() fail without blocking and without
// touching it. The I/O operations are virtual so that tests can stand in a file that fails on purpose.
// The file is closed when the object is destroyed.
//
// The path a FileService names is its full path (see fullPathOf), fixed when the object is made: every
// operation, every message and every comparison then uses that one path, so that the file named, checked and
// written is always the same file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillery {

// The full path of `path`: absolute (from the current folder), with "." components and repeated or trailing
// separators removed. ".." components are kept and symbolic links are not resolved: folding "link/.."
// lexically can name another file than the one the system opens. An empty path stays empty.
std::string fullPathOf(std::string_view path);

class FileService {
  public:
    enum class Mode { Read, Write, ReadWrite };

    explicit FileService(std::string path);
    FileService(const FileService& other) : path_(other.path_) {}
    FileService& operator=(const FileService&) = delete;
    virtual ~FileService();

    // The full path (fullPathOf the path given).
    const std::string& path() const { return path_; }
    // The last path component.
    std::string fileName() const;
    // The same as path().
    const std::string& fullPath() const { return path_; }
    // The full path of the folder that holds the file.
    std::string parentFolder() const;
    // Equal full paths (compared exactly), or two existing paths naming one file on disk.
    bool isSameFile(const FileService& other) const;

    bool exists() const;
    bool isDirectory() const;
    bool isRegularFile() const;
    // Whether the folder that holds this path is `folder` or lies inside it, decided on disk: the folders
    // from this path's parent up to the root are compared with `folder` by device and inode.
    bool liesInside(const FileService& folder) const;

    [[nodiscard]] virtual int remove();
    [[nodiscard]] int createDirectory();
    // Creates an empty file; fails when anything exists at the path.
    [[nodiscard]] virtual int createFile();
    // Opens an existing regular file.
    [[nodiscard]] virtual int open(Mode mode);
    // Closing a file that is not open succeeds; a failed close is reported (data may be lost).
    [[nodiscard]] virtual int close();
    bool isOpen() const { return fd_ >= 0; }

    // Reads until `length` bytes or the end of the file; `done` receives the count actually read.
    [[nodiscard]] virtual int read(void* buffer, size_t length, size_t* done);
    // Writes all `length` bytes or fails.
    [[nodiscard]] virtual int write(const void* data, size_t length);
    [[nodiscard]] virtual int size(uint64_t* bytes) const;
    [[nodiscard]] virtual int setSize(uint64_t bytes);
    [[nodiscard]] virtual int position(uint64_t* offset) const;
    [[nodiscard]] virtual int seek(uint64_t offset);

    // Creates the file and keeps it open for reading and writing: fails when anything is at the path, a
    // symbolic link included (never followed). The mode is what a plain create gives (0666 less the umask).
    // From here on the file is used through its descriptor only, so a name swapped in later is never touched.
    [[nodiscard]] virtual int createNew();
    // Flushes what was written to the disk.
    [[nodiscard]] virtual int sync();
    // Whether `path` (a link there not followed) names the file this object has open.
    virtual bool isOpenAt(const std::string& path) const;

  private:
    std::string path_;
    int fd_ = -1;
};

} // namespace quillery
