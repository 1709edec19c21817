// What the consoles share of the operating system: a private directory for
// temporary files, its removal, and the cores a process may run on.
#pragma once

#include <string>

namespace ortelan {

// A new directory (mode 0700) named ortelan-XXXXXX under `base`, or under
// the system's place for temporary files when `base` is empty or not a
// directory; empty when none can be made.
std::string makePrivateDirectoryUnder(const std::string& base);

// Removes a directory and everything in it, quietly.
void removeDirectoryTree(const std::string& path);

// The processor cores this process may run on (at least 1).
int coresOfThisProcess();

}  // namespace ortelan
