// The time of one lookup in the shipped quote book, as the program runs it on every
// change of day: the file opened, streamed to its end and closed.

#include "quote_lookup.h"
#include "quotebook_platform_posix.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

void lookupInShippedBook(benchmark::State& state) {
    const auto platform = quotidia::QuoteBookPlatformPosix::forLocale("C");
    const std::filesystem::path book = QUOTIDIA_SHIPPED_BOOK;
    for (auto _ : state) {
        benchmark::DoNotOptimize(quotidia::findQuotes(book, L"December 6", *platform));
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(book)));
}
BENCHMARK(lookupInShippedBook)->Unit(benchmark::kMicrosecond);

// The same without the file system: the cost of the scan alone.
void lookupInShippedBookInMemory(benchmark::State& state) {
    const auto platform = quotidia::QuoteBookPlatformPosix::forLocale("C");
    std::ostringstream bytes;
    bytes << std::ifstream(QUOTIDIA_SHIPPED_BOOK, std::ios::binary).rdbuf();
    const std::string book = bytes.str();
    for (auto _ : state) {
        std::istringstream input(book);
        benchmark::DoNotOptimize(quotidia::findQuotes(input, L"December 6", *platform));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(book.size()));
}
BENCHMARK(lookupInShippedBookInMemory)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
