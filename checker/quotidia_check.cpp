// quotidia-check: checks a quote book, or prints the text it holds for one day.

#include "book_check.h"
#include "system_environment.h"

#include <string>
#include <vector>

#ifdef _WIN32

int wmain(int argc, wchar_t** argv) {
    std::vector<quotidia::Argument> arguments;
    for (int index = 1; index < argc; ++index) {
        arguments.push_back({argv[index], std::filesystem::path(argv[index])});
    }
    return quotidia::runChecker(arguments, *quotidia::makeSystemEnvironment());
}

#else

#include "text_decoding.h"

namespace {

// Arguments arrive as bytes; text in them is UTF-8 as a rule, otherwise it is taken as
// Latin-1 for messages while the path keeps the bytes as they are.
std::wstring argumentText(const std::string& bytes) {
    std::wstring text;
    if (!quotidia::appendUtf8(text, bytes)) {
        text.assign(bytes.begin(), bytes.end());
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<quotidia::Argument> arguments;
    for (int index = 1; index < argc; ++index) {
        const std::string bytes = argv[index];
        arguments.push_back({argumentText(bytes), std::filesystem::path(bytes)});
    }
    return quotidia::runChecker(arguments, *quotidia::makeSystemEnvironment());
}

#endif
