// The files named on the command line.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillery {

// Full path of an unquoted piece: the file system's own name for it when the file exists, else the folder
// part of the full path (the text's folder, without the missing name).
using PieceResolver = std::function<std::string(const std::string& piece)>;

// Splits a command line given as one string (the text after the program name):
// - an empty text gives nothing;
// - with a double quote anywhere, the arguments are the texts between successive pairs of quotes, unresolved;
//   text outside the pairs, and text after an unpaired last quote, is ignored;
// - otherwise the text is split at every single space, empty pieces are skipped, and each piece is resolved.
std::vector<std::string> splitCommandLine(std::string_view text, const PieceResolver& resolve);

// The resolver of the running system: the piece made absolute from the current folder, its last component
// replaced by the name of the entry that matches it (exactly, else ignoring ASCII case); when none exists,
// the folder part of the full path.
std::string resolveCommandLinePiece(const std::string& piece);

// The arguments of a POSIX process (already split, the program name left out): each one a file, turned into
// its full path. A name that does not exist keeps its own full path, so its build names it. An empty
// argument stays empty (the shell refuses it).
std::vector<std::string> filesFromArguments(int argc, const char* const* argv);

} // namespace quillery
