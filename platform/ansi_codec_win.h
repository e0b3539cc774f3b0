#pragma once
// Text to and from the system's 8-bit (ANSI) code page. Each caller chooses what a
// failure means for it and says so where it calls: nullopt leaves the thread's last
// error set for the caller to name.

#include <optional>
#include <string>
#include <string_view>

namespace quotidia {

std::optional<std::wstring> try_decodeAnsi(std::string_view bytes);
std::optional<std::string> try_encodeAnsi(std::wstring_view text);

} // namespace quotidia
