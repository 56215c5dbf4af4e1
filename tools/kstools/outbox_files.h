// The files the infrared stand-in leaves in the device's outbox, for the
// beam commands to print what a beam wrote.
#pragma once

#include <string>
#include <vector>

namespace kstools {

// The names of the files in the outbox now.
std::vector<std::string> OutboxFiles();
// Prints the device path of each outbox file not in before, a line each.
void PrintNewOutboxFiles(const std::vector<std::string>& before);

}  // namespace kstools
