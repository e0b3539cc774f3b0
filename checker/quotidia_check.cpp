// quotidia-check: checks a quote book, or prints the text it holds for one day.

#include "checker_command_line.h"
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

int main(int argc, char** argv) {
    std::vector<quotidia::Argument> arguments;
    for (int index = 1; index < argc; ++index) {
        arguments.push_back(quotidia::argumentOfBytes(argv[index]));
    }
    return quotidia::runChecker(arguments, *quotidia::makeSystemEnvironment());
}

#endif
