#pragma once

// Starting outside programs and finding where we run from. Paths and
// arguments are CP932 texts; they become UTF-8 only at the system call.

#include <string>
#include <string_view>
#include <vector>

namespace sw::process {

// The folder of the running executable with a trailing '/', "" when unknown.
std::string ExecutableFolder();

// The value of an environment variable as CP932, "" when unset or not CP932.
std::string Environment(const char* name);

// The full path of `program` found on PATH, "" when it is not there.
std::string FindOnPath(std::string_view program);

enum class ExecutableKind {
    None,    // missing, unreadable, or neither of the below
    Windows, // begins with the "MZ" mark
    Native,  // an ELF file or a "#!" script this process may execute
};
ExecutableKind KindOfExecutable(std::string_view path);

// Starts `program` with `arguments` (each passed as one argument, with no
// shell in between) in `workingFolder`, and does not wait for it. The new
// process is detached from ours, so it neither becomes a zombie nor ends
// with us. False with `error` set (UTF-8 free, CP932) when it could not be
// started at all, for example a missing or non-executable file.
bool StartDetached(std::string_view program, const std::vector<std::string>& arguments,
                   std::string_view workingFolder, std::string* error = nullptr);

} // namespace sw::process
