#include "markup/reader_view.h"

#include "framework/diagnostics.h"
#include "markup/glyph_widths.h"
#include "markup/line_collector.h"
#include "markup/scanner.h"
#include "tdb/book_reader.h"

#include <algorithm>

namespace quillery {
namespace {

// The view repeats a scan the build has already reported on: its reports go nowhere.
class SilentSink final : public DiagnosticSink {
  public:
    int report(const Report&) override { return 0; }
};

// While the view scans: no report is given, and none looks for its place in a text.
class Silence {
  public:
    Silence() : sink_(&silent_), places_(std::string_view()) {}

  private:
    SilentSink silent_;
    ReportSinkScope sink_;
    ReportTextScope places_;
};

// A built book's image sizes, by the image name of a \m tag: the part after its last '/'.
class BookImageSizes final : public ImageSizeSource {
  public:
    explicit BookImageSizes(const std::vector<ViewImageSize>& images) : images_(images) {}

    bool sizeOf(std::string_view name, ImageSize& size) const override {
        size_t slash = name.rfind('/');
        std::string_view imageName = slash == std::string_view::npos ? name : name.substr(slash + 1);
        for (const ViewImageSize& image : images_) {
            if (image.name == imageName) {
                size.width = image.width;
                size.height = image.height;
                return true;
            }
        }
        return false;
    }

  private:
    const std::vector<ViewImageSize>& images_;
};

uint16_t normalFontOf(ViewFont font) {
    return font == ViewFont::Small ? kFontSmall : kFontLarge;
}

} // namespace

struct ReaderView::State {
    State(ReaderViewInput in, ViewFont viewFont)
        : input(std::move(in)), font(viewFont), bookSizes(input.images),
          scanner(input.text, input.imageFolder, recordStarts, scratch, 0), collector(input.text, scanner) {}

    ReaderViewInput input;
    ViewFont font;
    BookImageSizes bookSizes;
    RecordBuffer recordStarts{4};
    // What the scanner collects on the way; the view keeps none of it.
    BookTables scratch;
    Scanner scanner;
    LineCollector collector;
    PageTable pages;
    std::vector<PageCheckpoint> checkpoints;
};

uint32_t glyphWidth(uint16_t styleWord, uint8_t code) {
    GlyphMetrics metrics = glyphMetricsFor(pageFont(styleWord), styleWord);
    return static_cast<uint32_t>((*metrics.widths)[code]);
}

uint32_t glyphLineHeight(uint16_t styleWord) {
    return glyphMetricsFor(pageFont(styleWord), styleWord).lineHeight;
}

ReaderViewInput readerViewInputOf(const BookContents& book) {
    ReaderViewInput input;
    input.text = book.mainText;
    uint32_t start = 0;
    input.recordStarts.push_back(start);
    for (const BookTextRecord& record : book.text) {
        start += record.length;
        input.recordStarts.push_back(start);
    }
    input.imagesFromBook = true;
    for (const BookImage& image : book.images) {
        input.images.push_back({image.name, image.width, image.height});
    }
    input.dictionary = book.type == kDictionaryType;
    return input;
}

ReaderViewInput readerViewInputOf(std::string_view mainText, const RecordBuffer& recordStarts,
                                  const std::string& imageFolder, uint32_t flags) {
    ReaderViewInput input;
    input.text = mainText;
    for (size_t i = 0; i < recordStarts.count(); ++i) {
        input.recordStarts.push_back(recordStarts.u32At(i));
    }
    input.imageFolder = imageFolder;
    input.dictionary = (flags & kFlagDictionary) != 0;
    return input;
}

ReaderView::ReaderView(ReaderViewInput input, ViewFont font)
    : state_(std::make_unique<State>(std::move(input), font)) {
    State& state = *state_;
    const std::vector<uint32_t>& starts = state.input.recordStarts;
    if (starts.empty()) {
        (void)state.recordStarts.appendU32(0);
        if (!state.input.text.empty()) {
            (void)state.recordStarts.appendU32(static_cast<uint32_t>(state.input.text.size()));
        }
    }
    for (uint32_t start : starts) {
        (void)state.recordStarts.appendU32(start);
    }
    if (state.input.dictionary) {
        return;
    }
    if (state.input.imagesFromBook) {
        state.scanner.useImageSizes(&state.bookSizes);
    }
    // Room for the pages of a typical book up front: growing the tables page by page copies every
    // checkpoint taken so far again and again, which the build's own pass never pays.
    size_t expectedPages = std::min(kMaxPageEntries, state.input.text.size() / 256 + 16);
    state.checkpoints.reserve(expectedPages);
    state.pages.reserve(expectedPages);
    Silence silence;
    state.collector.collectCheckpoints(&state.checkpoints, kMaxPageEntries);
    state.scanner.setObservers(&state.collector, nullptr, nullptr);
    state.scanner.runViewPass(normalFontOf(font), &state.pages);
    state.scanner.setObservers(&state.collector, &state.collector, &state.collector);
}

ReaderView::~ReaderView() = default;

ViewFont ReaderView::font() const {
    return state_->font;
}

size_t ReaderView::pageCount() const {
    return state_->pages.size();
}

const PageTable& ReaderView::pages() const {
    return state_->pages;
}

size_t ReaderView::pageOf(uint32_t position) const {
    const PageTable& pages = state_->pages;
    auto after = std::upper_bound(pages.begin(), pages.end(), position,
                                  [](uint32_t at, const PageEntry& page) { return at < page.position; });
    return after == pages.begin() ? 0 : static_cast<size_t>(after - pages.begin()) - 1;
}

std::vector<PageLine> ReaderView::linesOf(size_t page) {
    State& state = *state_;
    std::vector<PageLine> lines;
    if (page >= state.checkpoints.size()) {
        return lines;
    }
    Silence silence;
    const PageCheckpoint& checkpoint = state.checkpoints[page];
    state.collector.collectLines(&lines);
    state.scanner.scanFrom(normalFontOf(state.font), checkpoint.layout, checkpoint.resume);
    state.collector.collectLines(nullptr);
    return lines;
}

} // namespace quillery
