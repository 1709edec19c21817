// What the consoles share of the operating system: a private directory for
// temporary files, its removal, and the cores a process may run on; and what
// a scripted run asks of the places it writes to.
#pragma once

#include <string>

namespace ortelan {

// A new directory (mode 0700) named ortelan-XXXXXX under `base`, or under
// the system's place for temporary files when `base` is empty or not a
// directory; empty when none can be made.
std::string makePrivateDirectoryUnder(const std::string& base);

// Removes a directory and everything in it, quietly.
void removeDirectoryTree(const std::string& path);

// Moves the file `from` to `to`, replacing a file there, as rename() does
// on POSIX systems but not on Windows. 0, or the errno value of the failure.
int replaceFile(const std::string& from, const std::string& to);

// The processor cores this process may run on (at least 1).
int coresOfThisProcess();

// Whether `path` names something there that is neither a regular file nor a
// directory: a device such as /dev/null, a pipe, a socket. Such a place is
// written to where it is, never replaced.
bool isSpecialFile(const std::string& path);

// Whether two paths name one place: one file when both are there, else one
// path once made absolute, with its links, "." and ".." resolved.
bool namesSamePlace(const std::string& first, const std::string& second);

}  // namespace ortelan
