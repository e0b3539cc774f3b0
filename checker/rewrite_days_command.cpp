#include "rewrite_days_command.h"

#include "day_line_rewrite.h"
#include "file_replacement.h"

#include <memory>
#include <system_error>
#include <utility>

namespace quotidia {

namespace {

int fail(CheckerEnvironment& environment, std::wstring_view message) {
    environment.writeError(L"quotidia-check: " + std::wstring(message) + L'\n');
    return exit_code::unusable;
}

bool isDirectory(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

std::wstring localeLabel(const std::wstring& name) {
    return name.empty() ? L"the user's regional format" : L'"' + name + L'"';
}

} // namespace

int rewriteDays(const RewriteDaysOptions& options, CheckerEnvironment& environment) {
    const std::unique_ptr<QuoteBookPlatform> to = environment.platformFor(options.toLocale);
    if (!to) {
        return fail(environment, L"unknown locale \"" + options.toLocale + L'"');
    }
    std::unique_ptr<QuoteBookPlatform> from;
    if (options.fromLocale) {
        from = environment.platformFor(*options.fromLocale);
        if (!from) {
            return fail(environment, L"unknown locale \"" + *options.fromLocale + L'"');
        }
    } else {
        from = std::make_unique<EnglishMonthNames>(*to);
    }
    const std::wstring& bookName = options.book.text;
    OpenedBook opened = environment.openBook(options.book.path);
    if (const auto* reason = std::get_if<std::wstring>(&opened)) {
        return fail(environment, L"cannot open " + bookName + L": " + *reason);
    }
    std::unique_ptr<OpenBook> book = std::move(std::get<std::unique_ptr<OpenBook>>(opened));

    std::unique_ptr<FileReplacement> replacement;
    if (options.output) {
        if (isDirectory(options.output->path)) {
            return fail(environment, options.output->text + L" is a directory");
        }
        replacement = environment.replaceFile(options.output->path);
        if (!replacement) {
            return fail(environment, L"cannot write beside " + options.output->text);
        }
    }
    const ByteSink sink =
        replacement
            ? ByteSink([&replacement](std::string_view bytes) { return replacement->write(bytes); })
            : ByteSink([&environment](std::string_view bytes) {
                  return environment.writeOutputBytes(bytes);
              });
    const DayLineRewriteResult result = rewriteDayLines(book->stream(), *from, *to, sink);
    const std::wstring readFailure = book->readFailure();
    // Closed before the new book is moved over it, which Windows refuses while it is open.
    book.reset();

    using Outcome = DayLineRewriteResult::Outcome;
    const std::wstring target = options.output ? options.output->text : L"standard output";
    switch (result.outcome) {
    case Outcome::readFailed:
        return fail(environment,
                    L"cannot read " + bookName + L": " + readFailure + L"; nothing was written");
    case Outcome::writeFailed:
        return fail(environment,
                    L"cannot write " + target + (options.output ? L"; it is as it was" : L""));
    case Outcome::linesFailed: {
        std::wstring report;
        for (const DayLineFailure& failure : result.failures) {
            report +=
                bookName + L':' + std::to_wstring(failure.line) + L": " + failure.message + L'\n';
        }
        if (result.failureCount > result.failures.size()) {
            report += bookName + L": \u2026 and " +
                      std::to_wstring(result.failureCount - result.failures.size()) +
                      L" more like this\n";
        }
        report += bookName + L": " + std::to_wstring(result.failureCount) +
                  (result.failureCount == 1 ? L" day line" : L" day lines") +
                  L" cannot be rewritten; nothing was written\n";
        environment.writeError(report);
        return exit_code::problems;
    }
    case Outcome::rewritten:
        break;
    }
    if (replacement) {
        if (!replacement->commit()) {
            return fail(environment, L"cannot write " + target + L"; it is as it was");
        }
        if (const std::optional<std::wstring> failure = environment.writeOutput(
                target + L": " + std::to_wstring(result.rewrittenLines) +
                (result.rewrittenLines == 1 ? L" day line" : L" day lines") + L" rewritten from " +
                (options.fromLocale ? localeLabel(*options.fromLocale) : L"English") + L" into " +
                localeLabel(options.toLocale) + L'\n')) {
            return fail(environment, L"cannot write the output: " + *failure);
        }
    }
    return exit_code::clean;
}

} // namespace quotidia
