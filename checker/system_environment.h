#pragma once
// The environment of the system quotidia-check runs on: its locales and its standard
// output and error streams. Each platform's file makes its own.

#include "checker_command_line.h"

#include <memory>

namespace quotidia {

std::unique_ptr<CheckerEnvironment> makeSystemEnvironment();

} // namespace quotidia
