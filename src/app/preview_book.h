// PreviewBook: a built book opened for the Preview window and the page export. It keeps the book's bytes and
// its verified contents, lays its text out in either font on demand, and finds what the page needs beside
// the layout: the pictures of its image records, where a link's anchor stands, and the bodies of its
// sidebars and footnotes.
#pragma once

#include "markup/reader_view.h"
#include "tdb/book_reader.h"

#include <QImage>
#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillery {

class PreviewBook {
  public:
    // Reads and verifies the book at `path`. Null, with `error` set to a sentence that names the file, when
    // it cannot be read or is not a well-formed book.
    static std::unique_ptr<PreviewBook> open(const std::string& path, std::string& error);
    // The same for a book already in memory; `name` only serves the message.
    static std::unique_ptr<PreviewBook> fromBytes(std::string bytes, const std::string& name,
                                                  std::string& error);

    PreviewBook(const PreviewBook&) = delete;
    PreviewBook& operator=(const PreviewBook&) = delete;

    const BookContents& contents() const { return contents_; }
    // The book's title from its metadata, else its database name.
    QString title() const;

    // The book's pages in `font`, laid out the first time they are asked for.
    ReaderView& view(ViewFont font);

    // The picture stored for image `name` (a \m name; only its file name counts), or a null image when the
    // book holds none by that name or its stream does not decode.
    QImage image(std::string_view name);

    // The text position of the anchor that link `name` (as a link reference names it) leads to, or none when
    // the book defines no such anchor.
    std::optional<uint32_t> anchorPosition(std::string_view name) const;

    // The sidebar or footnote a reference names, or null.
    const BookBlock* sidebar(std::string_view name) const;
    const BookBlock* footnote(std::string_view name) const;

    // The layout input of a sidebar or footnote body: its own text, with the book's images.
    ReaderViewInput blockInput(const BookBlock& block) const;

  private:
    PreviewBook() = default;

    std::string bytes_;
    BookContents contents_;
    std::unique_ptr<ReaderView> views_[2];
    std::map<std::string, QImage, std::less<>> images_;
};

// Device text (Windows-1252 bytes) for the screen.
QString deviceTextToQString(std::string_view text);

} // namespace quillery
