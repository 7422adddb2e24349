#include "pictures/picture_as_is.h"

#include "framework/diagnostics.h"
#include "framework/file_service.h"
#include "framework/record_buffer.h"
#include "markup/png_header.h"
#include "tdb/book_format.h"
#include "tdb/image_conversion.h"

namespace quillery::pictures {
namespace {

// The build's checks speak about the files they refuse; here a refusal only means "fit it".
class Silence : public DiagnosticSink {
  public:
    int report(const Report&) override { return 0; }
};

} // namespace

bool takenAsIs(const std::string& path) {
    Silence silence;
    ReportSinkScope scope(&silence);
    FileService file(path);
    if (!file.isRegularFile()) {
        return false;
    }
    ImageSize size;
    if (failed(readPngHeader(file.fullPath(), size)) || size.width > kPageWidth ||
        size.height > kPageHeight || file.open(FileService::Mode::Read) != 0) {
        return false;
    }
    RecordBuffer data(1);
    ImageConversion conversion = convertImage(file, data);
    (void)file.close();
    return conversion.result == ImageConversionResult::Converted &&
           conversion.appendedBytes <= kMaxImageDataSize;
}

} // namespace quillery::pictures
