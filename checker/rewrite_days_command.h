#pragma once
// quotidia-check --rewrite-days: the book written again with its day lines in another
// locale's month names, to standard output or safely over a file.

#include "book_check.h"
#include "checker_command_line.h"

#include <optional>
#include <string>

namespace quotidia {

struct RewriteDaysOptions {
    Argument book;
    std::optional<std::wstring> fromLocale; // English when not given
    std::wstring toLocale;                  // the user's own when empty
    std::optional<Argument> output;         // standard output when not given
};

// Returns the exit code: clean when the book was written, problems when a day line
// cannot be rewritten (then nothing is written), unusable for an unknown locale or a
// book that cannot be read or written.
int rewriteDays(const RewriteDaysOptions& options, CheckerEnvironment& environment);

} // namespace quotidia
