#include "pictures/author_image_paths.h"

namespace quillery::pictures {

int AuthorImagePaths::report(const Report& given) {
    auto inScratch = [&](const TextSpan& span) {
        std::string_view path = given.text.substr(span.offset, span.length);
        return path.substr(0, scratch_.size()) == scratch_ &&
               (path.size() == scratch_.size() || path[scratch_.size()] == '/');
    };
    bool any = false;
    for (const TextSpan& span : given.paths) {
        any = any || inScratch(span);
    }
    if (!any) {
        return next_.report(given);
    }
    std::string text;
    Report report = given;
    size_t copied = 0;
    for (TextSpan& span : report.paths) {
        bool rewrite = inScratch(span);
        text.append(given.text.substr(copied, span.offset - copied));
        size_t start = text.size();
        if (rewrite) {
            text.append(author_).append(
                given.text.substr(span.offset + scratch_.size(), span.length - scratch_.size()));
        } else {
            text.append(given.text.substr(span.offset, span.length));
        }
        copied = span.offset + span.length;
        span = {start, text.size() - start};
    }
    text.append(given.text.substr(copied));
    report.text = text;
    return next_.report(report);
}

} // namespace quillery::pictures
