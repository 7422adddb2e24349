#include "app/page_export.h"

#include "app/page_renderer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

#include <cstdio>

namespace quillery {
namespace {

QString localPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

bool makeFolder(const std::string& folder, std::string& error) {
    QFileInfo info(localPath(folder));
    if (info.isDir()) {
        return true;
    }
    if (info.exists() || !QDir().mkdir(localPath(folder))) {
        error = "The folder \"" + folder + "\" could not be created.";
        return false;
    }
    return true;
}

// Written under a temporary name and renamed when complete, so no half-written image is ever left.
bool savePng(const QImage& image, const std::string& path) {
    QSaveFile file(localPath(path));
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

std::string exportFileName(size_t page, size_t pageCount) {
    int digits = 3;
    for (size_t last = pageCount; last >= 1000; last /= 10) {
        ++digits;
    }
    char name[40];
    std::snprintf(name, sizeof name, "page-%0*zu.png", digits, page + 1);
    return name;
}

bool exportPages(PreviewBook& book, const ExportRequest& request, std::string& error,
                 std::vector<std::string>* written) {
    ReaderView& view = book.view(request.font);
    const size_t count = view.pageCount();
    const char* fontName = request.font == ViewFont::Small ? "small" : "large";
    if (count == 0) {
        error = std::string("The book has no pages in the ") + fontName + " font.";
        return false;
    }
    if (request.page && *request.page >= count) {
        error =
            "The book has no page " + std::to_string(*request.page + 1) + " in the " + fontName + " font.";
        return false;
    }
    if (!makeFolder(request.folder, error)) {
        return false;
    }
    const size_t first = request.page.value_or(0);
    const size_t end = request.page ? first + 1 : count;
    PageArt art{book.contents().mainText, [&book](std::string_view name) { return book.image(name); }};
    for (size_t page = first; page < end; ++page) {
        std::string path = request.folder;
        if (path.empty() || path.back() != '/') {
            path += '/';
        }
        path += exportFileName(page, count);
        QImage image = scaledPage(renderPage(view.linesOf(page), art), request.scale);
        if (!savePng(image, path)) {
            error = "The file \"" + path + "\" could not be written.";
            return false;
        }
        if (written) {
            written->push_back(path);
        }
    }
    return true;
}

} // namespace quillery
