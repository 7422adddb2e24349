// BookInfo: the five fields a book carries about itself.
#pragma once

#include "framework/wide_string.h"

namespace quillery {

struct BookInfo {
    WideString title;
    WideString author;
    WideString publisher;
    WideString isbn;
    WideString copyright;
};

} // namespace quillery
