// Feeds arbitrary quote files to the lookup through the path the program calls it with,
// and compares its answer with the naive reference's reading of the whole file. The
// reader's blocks are a few dozen bytes in this build, so that line ends, key lines,
// byte-order marks, UTF-16 units and entries straddle many blocks.

#include "fuzz_input.h"
#include "fuzz_platform.h"
#include "naive_reference.h"
#include "quote_lookup.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace quotidia::fuzzing;

[[noreturn]] void mismatch(const std::wstring& found, const std::wstring& expected) {
    std::size_t first = 0;
    while (first < found.size() && first < expected.size() && found[first] == expected[first]) {
        ++first;
    }
    std::fprintf(stderr, "lookup: %zu characters, reference: %zu, first difference at %zu\n",
                 found.size(), expected.size(), first);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const FuzzPlatform platform;
    const ShapedInput input = shapeInput(data, size);
    const std::wstring_view key = kDayKeys.at(input.control % kDayKeys.size());
    const std::wstring found =
        quotidia::findQuotes(writeInputFile(input.file, "quote_lookup"), key, platform);
    const std::wstring expected =
        naiveQuotes(readNaively(input.file), key, quotidia::kMaxQuoteTextLength);
    if (found != expected || found.size() > quotidia::kMaxQuoteTextLength) {
        mismatch(found, expected);
    }
    return 0;
}
