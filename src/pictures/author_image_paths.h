// Messages of a build that reads fitted pictures from a scratch folder, made to name the author's image
// folder instead: the scratch folder is gone when the build ends, and the author looks for the file in
// their own folder.
#pragma once

#include "framework/diagnostics.h"

#include <string>

namespace quillery::pictures {

class AuthorImagePaths : public DiagnosticSink {
  public:
    // Paths in reports that start with `scratchFolder` are given to `next` as under `authorFolder`.
    AuthorImagePaths(std::string scratchFolder, std::string authorFolder, DiagnosticSink& next)
        : scratch_(std::move(scratchFolder)), author_(std::move(authorFolder)), next_(next) {}

    int report(const Report& given) override;

  private:
    std::string scratch_;
    std::string author_;
    DiagnosticSink& next_;
};

} // namespace quillery::pictures
