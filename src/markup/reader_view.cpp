#include "markup/reader_view.h"

#include "tdb/book_reader.h"

#include <algorithm>

namespace quillery {

struct ReaderView::State {
    ReaderViewInput input;
    ViewFont font = ViewFont::Small;
    PageTable pages;
};

ReaderViewInput readerViewInputOf(const BookContents& book) {
    ReaderViewInput input;
    input.text = book.mainText;
    return input;
}

ReaderViewInput readerViewInputOf(std::string_view mainText, const RecordBuffer&,
                                  const std::string& imageFolder, uint32_t) {
    ReaderViewInput input;
    input.text = mainText;
    input.imageFolder = imageFolder;
    return input;
}

ReaderView::ReaderView(ReaderViewInput input, ViewFont font) : state_(std::make_unique<State>()) {
    state_->input = std::move(input);
    state_->font = font;
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

std::vector<PageLine> ReaderView::linesOf(size_t) {
    return {};
}

} // namespace quillery
