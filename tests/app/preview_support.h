// The sample book built for the preview tests, and pictures compared with a tolerance.
#pragma once

#include "build/build_book.h"
#include "framework/book_info.h"
#include "test_support.h"

#include <QImage>

#include <filesystem>
#include <string>

namespace quillery::test {

// Builds samples/lighthouse.tml (with its image folder) into `folder`; returns the book's path, empty when
// the build failed.
inline std::string buildSampleBook(const ScratchDir& folder) {
    std::filesystem::copy(QUILLERY_SAMPLES_DIR, folder.path(), std::filesystem::copy_options::recursive);
    FileService source(folder.file("lighthouse.tml"));
    FileService output(folder.file("lighthouse.tdb"));
    BookInfo info;
    info.title = WideString(u"The Lamp on Gull Point");
    CollectingSink reports;
    BuildSettings settings;
    settings.diagnostics = &reports;
    return failed(buildBook(&source, &output, info, 0, settings)) ? std::string() : output.path();
}

// The share of pixels whose grey levels differ by more than `levels`; 1 when the sizes differ.
inline double differingShare(const QImage& a, const QImage& b, int levels) {
    if (a.size() != b.size() || a.isNull()) {
        return 1;
    }
    QImage left = a.convertToFormat(QImage::Format_Grayscale8);
    QImage right = b.convertToFormat(QImage::Format_Grayscale8);
    long differing = 0;
    for (int y = 0; y < left.height(); ++y) {
        const uchar* l = left.constScanLine(y);
        const uchar* r = right.constScanLine(y);
        for (int x = 0; x < left.width(); ++x) {
            differing += std::abs(int(l[x]) - int(r[x])) > levels;
        }
    }
    return double(differing) / (double(left.width()) * left.height());
}

} // namespace quillery::test
