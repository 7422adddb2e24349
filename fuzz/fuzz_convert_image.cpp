// Fuzzes image conversion: arbitrary bytes as an image file. Every input must end in a clean result: a
// converted stream that is all the buffer holds, or a refusal that leaves the buffer empty.
#include "framework/diagnostics.h"
#include "framework/file_service.h"
#include "framework/record_buffer.h"
#include "tdb/image_conversion.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

std::string& scratchPath() {
    static std::string path;
    return path;
}

void removeScratchFile() {
    if (!scratchPath().empty()) {
        ::unlink(scratchPath().c_str());
    }
}

bool writeScratchFile(const uint8_t* data, size_t size) {
    std::FILE* out = std::fopen(scratchPath().c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    bool written = size == 0 || std::fwrite(data, 1, size, out) == size;
    return std::fclose(out) == 0 && written;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char pattern[] = "/tmp/fuzz_convert_image-XXXXXX";
    int fd = ::mkstemp(pattern);
    if (fd < 0) {
        std::abort();
    }
    ::close(fd);
    scratchPath() = pattern;
    std::atexit(removeScratchFile);
    auto silent = [](const quillery::Report&) { return 0; };
    quillery::setErrorHandler(silent);
    quillery::setWarningHandler(silent);
    quillery::setNoteHandler(silent);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!writeScratchFile(data, size)) {
        return 0;
    }
    quillery::FileService file(scratchPath());
    if (file.open(quillery::FileService::Mode::Read) != 0) {
        return 0;
    }
    quillery::RecordBuffer buffer(1, 32768, 32768);
    quillery::ImageConversion conversion = quillery::convertImage(file, buffer);
    if (conversion.result == quillery::ImageConversionResult::Converted) {
        if (conversion.appendedBytes != buffer.byteLength() || buffer.byteLength() < 8 ||
            std::memcmp(buffer.data(), "\x89PNG\r\n\x1a\n", 8) != 0) {
            std::abort();
        }
    } else if (conversion.appendedBytes != 0 || !buffer.empty()) {
        std::abort();
    }
    return 0;
}
