// Looks up one day key in a quote file once, as the program does, and prints how long
// the lookup took, how much text it found and the process's peak memory.
//   lookup_once FILE KEY

#include "quote_lookup.h"
#include "quotebook_platform_posix.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: lookup_once FILE KEY\n", stderr);
        return 2;
    }
    const auto platform = quotidia::QuoteBookPlatformPosix::forLocale("C");
    const std::string keyBytes = argv[2];
    const std::wstring key(keyBytes.begin(), keyBytes.end());

    const auto start = std::chrono::steady_clock::now();
    const std::wstring text = quotidia::findQuotes(argv[1], key, *platform);
    const auto elapsed = std::chrono::steady_clock::now() - start;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("lookup_us=%lld characters=%zu peak_rss_kib=%ld\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count()),
                text.size(), usage.ru_maxrss);
    return text.empty() ? 1 : 0;
}
