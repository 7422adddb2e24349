#include "app/preview_book.h"

#include "framework/file_service.h"
#include "framework/windows1252.h"

#include <QByteArray>

#include <algorithm>

namespace quillery {
namespace {

constexpr size_t kStoredLinkNameWhenTooLong = 79;

std::string loweredAscii(std::string_view name) {
    std::string lowered(name);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return lowered;
}

// The file name of an image name: the text after its last separator, as image records name pictures.
std::string_view imageFileName(std::string_view name) {
    size_t separator = name.find_last_of("/\\");
    return separator == std::string_view::npos ? name : name.substr(separator + 1);
}

const BookBlock* findBlock(const std::vector<BookBlock>& blocks, std::string_view name) {
    // Blocks are stored under their reference names lowered and cut to the longest name a block can have.
    std::string key = loweredAscii(name.substr(0, kMaxBlockNameLength));
    for (const BookBlock& block : blocks) {
        if (block.name == key) {
            return &block;
        }
    }
    return nullptr;
}

bool readWholeFile(const std::string& path, std::string& bytes) {
    FileService file(path);
    uint64_t size = 0;
    if (file.open(FileService::Mode::Read) != 0 || file.size(&size) != 0 || size > kMaxBookSize) {
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    size_t done = 0;
    return file.read(bytes.data(), bytes.size(), &done) == 0 && done == bytes.size();
}

} // namespace

QString deviceTextToQString(std::string_view text) {
    return QString::fromStdU16String(decodeWindows1252(text));
}

std::unique_ptr<PreviewBook> PreviewBook::open(const std::string& path, std::string& error) {
    std::string bytes;
    std::string name = FileService(path).fileName();
    if (!readWholeFile(path, bytes)) {
        error = "The book \"" + name + "\" could not be read.";
        return nullptr;
    }
    return fromBytes(std::move(bytes), name, error);
}

std::unique_ptr<PreviewBook> PreviewBook::fromBytes(std::string bytes, const std::string& name,
                                                    std::string& error) {
    std::unique_ptr<PreviewBook> book(new PreviewBook);
    book->bytes_ = std::move(bytes);
    std::string why;
    if (!readBook(book->bytes_, book->contents_, why)) {
        error = "The file \"" + name + "\" is not a book the reader can open: " + why + ".";
        return nullptr;
    }
    return book;
}

QString PreviewBook::title() const {
    const std::string& title = contents_.metadata[0];
    return deviceTextToQString(title.empty() ? contents_.name : title);
}

ReaderView& PreviewBook::view(ViewFont font) {
    std::unique_ptr<ReaderView>& view = views_[font == ViewFont::Small ? 0 : 1];
    if (!view) {
        view = std::make_unique<ReaderView>(readerViewInputOf(contents_), font);
    }
    return *view;
}

QImage PreviewBook::image(std::string_view name) {
    std::string_view fileName = imageFileName(name);
    if (auto known = images_.find(fileName); known != images_.end()) {
        return known->second;
    }
    QImage picture;
    const BookSectionPlace& place = contents_.sections[static_cast<size_t>(BookSection::Images)];
    for (size_t i = 0; i < contents_.images.size(); ++i) {
        size_t record = size_t(place.firstRecord) + i;
        if (contents_.images[i].name != fileName || record >= contents_.records.size()) {
            continue;
        }
        // The reader has checked that every image record lies inside the file and holds its header.
        const BookRecordSpan& span = contents_.records[record];
        std::string_view stream =
            std::string_view(bytes_).substr(span.offset, span.size).substr(kImageRecordHeaderSize);
        picture.loadFromData(QByteArray::fromRawData(stream.data(), static_cast<qsizetype>(stream.size())),
                             "PNG");
        // fromRawData shares the bytes; the copy keeps the picture independent of them.
        picture = picture.copy();
        break;
    }
    images_.emplace(std::string(fileName), picture);
    return picture;
}

std::optional<uint32_t> PreviewBook::anchorPosition(std::string_view name) const {
    // The link table keeps names lowered, and a name longer than the longest link name cut short.
    std::string key = loweredAscii(name);
    if (key.size() > kMaxLinkNameLength) {
        key.resize(kStoredLinkNameWhenTooLong);
    }
    for (const BookPositionEntry& link : contents_.links) {
        if (loweredAscii(link.name) == key) {
            if (link.position == kUndefinedLinkPosition) {
                return std::nullopt;
            }
            return link.position;
        }
    }
    return std::nullopt;
}

const BookBlock* PreviewBook::sidebar(std::string_view name) const {
    return findBlock(contents_.sidebars, name);
}

const BookBlock* PreviewBook::footnote(std::string_view name) const {
    return findBlock(contents_.footnotes, name);
}

ReaderViewInput PreviewBook::blockInput(const BookBlock& block) const {
    ReaderViewInput input = readerViewInputOf(contents_);
    input.text = block.text;
    input.recordStarts.clear(); // one record holding the whole body: only its pages matter here
    input.dictionary = false;
    return input;
}

} // namespace quillery
