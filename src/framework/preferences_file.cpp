#include "framework/preferences_file.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillery {
namespace {

constexpr std::string_view kMagic = "TarnPref";
constexpr size_t kMaxValueBytes = 1 << 20;
constexpr size_t kMaxFileBytes = 64u << 20;

void appendU16(std::string& out, uint32_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void appendU32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// Reads little-endian integers and byte runs, refusing to pass the end.
class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool u16(uint32_t& value) { return number(2, value); }
    bool u32(uint32_t& value) { return number(4, value); }
    bool take(size_t count, std::string_view& out) {
        if (bytes_.size() - at_ < count) {
            return false;
        }
        out = bytes_.substr(at_, count);
        at_ += count;
        return true;
    }
    bool atEnd() const { return at_ == bytes_.size(); }

  private:
    bool number(size_t width, uint32_t& value) {
        std::string_view raw;
        if (!take(width, raw)) {
            return false;
        }
        value = 0;
        for (size_t i = 0; i < width; ++i) {
            value |= static_cast<uint32_t>(static_cast<uint8_t>(raw[i])) << (8 * i);
        }
        return true;
    }

    std::string_view bytes_;
    size_t at_ = 0;
};

bool makeFolders(const std::string& folder) {
    // Every prefix ending before a separator, then the folder itself.
    for (size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        std::string prefix = folder.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

} // namespace

std::string PreferencesFile::pathForApplication(std::string_view applicationName) {
    std::string base;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/') {
            return {};
        }
        base = std::string(home) + "/.config";
    }
    return base + "/Tarn/" + std::string(applicationName) + "/preferences";
}

std::string PreferencesFile::encode(const PreferenceValues& values) {
    std::string out(kMagic);
    appendU32(out, static_cast<uint32_t>(values.size()));
    for (const auto& [name, value] : values) {
        appendU16(out, static_cast<uint32_t>(name.size()));
        out += name;
        appendU32(out, static_cast<uint32_t>(value.size()));
        out += value;
    }
    return out;
}

std::optional<PreferenceValues> PreferencesFile::decode(std::string_view bytes) {
    Reader reader(bytes);
    std::string_view magic;
    uint32_t count = 0;
    if (!reader.take(kMagic.size(), magic) || magic != kMagic || !reader.u32(count)) {
        return std::nullopt;
    }
    PreferenceValues values;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t nameLength = 0;
        uint32_t valueLength = 0;
        std::string_view name;
        std::string_view value;
        if (!reader.u16(nameLength) || nameLength == 0 || !reader.take(nameLength, name) ||
            !reader.u32(valueLength) || valueLength > kMaxValueBytes || !reader.take(valueLength, value)) {
            return std::nullopt;
        }
        if (!values.emplace(std::string(name), std::string(value)).second) {
            return std::nullopt;
        }
    }
    if (!reader.atEnd()) {
        return std::nullopt;
    }
    return values;
}

std::optional<PreferenceValues> PreferencesFile::load() const {
    if (path_.empty()) {
        return std::nullopt;
    }
    int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        // A file never written holds no values; any other refusal is a storage that cannot be read.
        return errno == ENOENT ? std::optional<PreferenceValues>(PreferenceValues{}) : std::nullopt;
    }
    struct stat info {};
    std::string bytes;
    bool readable = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0 &&
                    static_cast<uint64_t>(info.st_size) <= kMaxFileBytes;
    if (readable) {
        char chunk[4096];
        for (;;) {
            ssize_t got = ::read(fd, chunk, sizeof chunk);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0 || bytes.size() + static_cast<size_t>(got) > kMaxFileBytes) {
                readable = false;
                break;
            }
            if (got == 0) {
                break;
            }
            bytes.append(chunk, static_cast<size_t>(got));
        }
    }
    ::close(fd);
    if (!readable) {
        return std::nullopt;
    }
    return decode(bytes);
}

bool PreferencesFile::save(const PreferenceValues& values) {
    if (path_.empty()) {
        return false;
    }
    // Never write a file that would read back as malformed.
    uint64_t fileBytes = kMagic.size() + 4;
    for (const auto& [name, value] : values) {
        if (name.empty() || name.size() > 0xFFFF || value.size() > kMaxValueBytes) {
            return false;
        }
        fileBytes += 2 + name.size() + 4 + value.size();
    }
    if (fileBytes > kMaxFileBytes) {
        return false;
    }
    std::string bytes = encode(values);
    size_t slash = path_.rfind('/');
    if (slash != std::string::npos && slash > 0 && !makeFolders(path_.substr(0, slash))) {
        return false;
    }
    std::string temporary = path_ + ".XXXXXX";
    int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return false;
    }
    bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    if (!written || ::rename(temporary.c_str(), path_.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace quillery
