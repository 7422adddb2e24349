// The ZIP container of an EPUB, read into memory entry by entry. Nothing is ever written to disk under a name
// the archive gives: entries are looked up by name and inflated into memory, in chunks, and inflation stops
// at a cap whatever size the archive declares.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct zip;

namespace quillery::epub {

struct ArchiveLimits {
    size_t entryBytes = size_t{64} << 20;  // one entry inflated
    size_t totalBytes = size_t{512} << 20; // all entries read from one archive together
};

enum class EntryRead { Ok, Missing, TooLarge, Broken };

class EpubArchive {
  public:
    explicit EpubArchive(ArchiveLimits limits = {}) : limits_(limits) {}
    ~EpubArchive();
    EpubArchive(const EpubArchive&) = delete;
    EpubArchive& operator=(const EpubArchive&) = delete;

    // Opens the archive held by `bytes`, which must outlive this object. False when it is no ZIP archive.
    bool open(std::string_view bytes);

    bool has(const std::string& name) const { return entries_.count(name) != 0; }
    // Inflates the entry `name` into `out`. TooLarge when it (or the archive so far) passes the caps.
    EntryRead read(const std::string& name, std::string& out);

    // Entries left out because their names could reach outside a folder (absolute, "..", a drive or a
    // backslash) or because they are links.
    const std::vector<std::string>& unsafeNames() const { return unsafe_; }
    const ArchiveLimits& limits() const { return limits_; }

  private:
    ArchiveLimits limits_;
    zip* archive_ = nullptr;
    std::unordered_map<std::string, unsigned long long> entries_; // name -> index
    std::vector<std::string> unsafe_;
    size_t total_ = 0;
};

// Whether `name` is a plain relative entry name: not empty, no leading "/", no backslash, no ".." or "."
// component, no drive ("C:"), no control character.
bool isSafeEntryName(std::string_view name);

} // namespace quillery::epub
