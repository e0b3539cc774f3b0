#pragma once
// How the fuzz targets over quote files read their input: a control byte, then the file.
// The control byte picks the day key (bits 0 and 1) and may write the file as UTF-16
// with its byte-order mark, each input byte a unit (bit 2), so that short inputs make
// UTF-16 key lines; the other bits are the target's.

#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace quotidia::fuzzing {

inline constexpr std::array<std::wstring_view, 4> kDayKeys = {
    L"December 6",                 // a key ending in a digit, searched for by its end
    L"Boxing Day",                 // a key without one, judged line by line
    L"D\u00E9cembre 6",            // Latin-1 beyond ASCII: UTF-8, ANSI and UTF-16 spell it apart
    L"\u041C\u0430\u0440\u0442 3", // Cyrillic: UTF-8 or UTF-16 only
};

struct ShapedInput {
    std::uint8_t control = 0;
    std::string file;
};

inline ShapedInput shapeInput(const std::uint8_t* data, std::size_t size) {
    ShapedInput input;
    if (size == 0) {
        return input;
    }
    input.control = data[0];
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if ((input.control & 4) != 0) {
        input.file.assign(2 + 2 * rest.size(), '\0');
        input.file[0] = '\xFF';
        input.file[1] = '\xFE';
        for (std::size_t at = 0; at < rest.size(); ++at) {
            input.file[2 + 2 * at] = rest[at];
        }
    } else {
        input.file = rest;
    }
    return input;
}

// A file of this process in memory-backed storage where there is some, rewritten with
// the bytes on every call and removed when the process ends.
inline std::filesystem::path writeInputFile(std::string_view bytes, std::string_view name) {
    static const std::filesystem::path path = [name] {
        const std::filesystem::path folder = std::filesystem::is_directory("/dev/shm")
                                                 ? std::filesystem::path("/dev/shm")
                                                 : std::filesystem::temp_directory_path();
        std::filesystem::path file =
            folder / ("quotidia-" + std::string(name) + "-" + std::to_string(getpid()));
        static std::string removeAtExit;
        removeAtExit = file.string();
        std::atexit([] { std::remove(removeAtExit.c_str()); });
        return file;
    }();
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

} // namespace quotidia::fuzzing
