// A private folder for one build (a check's output, a converted source's images), removed with everything in
// it when done, and by the interrupt cleanup if the process is stopped first.
#pragma once

#include <string>

namespace quillery {

class ScratchFolder {
  public:
    ScratchFolder() = default;
    ~ScratchFolder(); // removes the folder
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Makes the folder under $TMPDIR (else /tmp), named after `purpose` ("quillery-PURPOSE-XXXXXX"). Returns
    // false when it cannot be made; path() then stays empty. Reports nothing: the caller knows what failed.
    bool make(const char* purpose);

    const std::string& path() const { return path_; }
    bool empty() const { return path_.empty(); }

  private:
    std::string path_;
};

} // namespace quillery
