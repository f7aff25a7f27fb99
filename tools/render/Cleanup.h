#pragma once

#include <string>

namespace ovri::korvane::render {

// Files to remove when SIGINT or SIGTERM ends the program: the partial
// files of the outputs. installSignalCleanup() makes both signals remove
// every registered file and exit with 128 + the signal (130, 143).
// Registering copies the path into a fixed table the handler reads, so
// that the handler does nothing but unlink() and _exit().
void installSignalCleanup();
void removeOnSignal(const std::string& path);

}  // namespace ovri::korvane::render
