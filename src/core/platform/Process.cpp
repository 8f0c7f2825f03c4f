#include "platform/Process.h"

#include "platform/Files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sw::process {
namespace {

// What the grandchild reports through the pipe when exec fails.
struct StartFailure {
    int stage; // 0 chdir, 1 exec
    int error;
};

[[noreturn]] void ReportAndExit(int pipe, int stage) {
    const StartFailure failure{stage, errno};
    [[maybe_unused]] ssize_t ignored = ::write(pipe, &failure, sizeof failure);
    ::_exit(127);
}

bool NativeArguments(std::string_view program, const std::vector<std::string>& arguments,
                     std::vector<std::string>& native) {
    native.resize(arguments.size() + 1);
    if (!files::ToNativePath(program, native[0]))
        return false;
    for (std::size_t i = 0; i < arguments.size(); ++i)
        if (!files::ToNativePath(arguments[i], native[i + 1]))
            return false;
    return true;
}

std::string Describe(const StartFailure& failure) {
    std::string text = failure.stage == 0 ? "作業フォルダに移動できません: " : "起動できません: ";
    return text + std::strerror(failure.error);
}

} // namespace

std::string ExecutableFolder() {
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return {};
    std::string native(buffer, static_cast<std::size_t>(length));
    std::string path;
    if (!files::FromNativePath(native.substr(0, native.find_last_of('/') + 1), path))
        return {};
    return path;
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    std::string text;
    if (value == nullptr || !files::FromNativePath(value, text))
        return {};
    return text;
}

std::string FindOnPath(std::string_view program) {
    const char* searchPath = std::getenv("PATH");
    if (searchPath == nullptr || program.empty())
        return {};
    std::string_view folders(searchPath);
    while (true) {
        const std::size_t colon = folders.find(':');
        std::string folder(folders.substr(0, colon));
        if (folder.empty())
            folder = ".";
        const std::string candidate = folder + "/" + std::string(program);
        if (::access(candidate.c_str(), X_OK) == 0) {
            std::string path;
            if (files::FromNativePath(candidate, path))
                return path;
        }
        if (colon == std::string_view::npos)
            return {};
        folders.remove_prefix(colon + 1);
    }
}

ExecutableKind KindOfExecutable(std::string_view path) {
    std::string native;
    if (!files::ToNativePath(path, native) || !files::FileExists(path))
        return ExecutableKind::None;
    const int file = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (file < 0)
        return ExecutableKind::None;
    char mark[4] = {};
    const ssize_t got = ::read(file, mark, sizeof mark);
    ::close(file);
    if (got >= 2 && mark[0] == 'M' && mark[1] == 'Z')
        return ExecutableKind::Windows;
    const bool elf = got == 4 && std::memcmp(mark,
                                             "\x7f"
                                             "ELF",
                                             4) == 0;
    const bool script = got >= 2 && mark[0] == '#' && mark[1] == '!';
    return (elf || script) && ::access(native.c_str(), X_OK) == 0 ? ExecutableKind::Native
                                                                  : ExecutableKind::None;
}

bool StartDetached(std::string_view program, const std::vector<std::string>& arguments,
                   std::string_view workingFolder, std::string* error) {
    std::vector<std::string> native;
    std::string nativeFolder;
    if (!NativeArguments(program, arguments, native) ||
        !files::ToNativePath(workingFolder, nativeFolder)) {
        if (error)
            *error = "パスを変換できません。";
        return false;
    }
    std::vector<char*> argv;
    for (std::string& argument : native)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        if (error)
            *error = "起動できません: パイプを作れません。";
        return false;
    }
    // Fork twice: the middle process exits at once, so the program is
    // adopted by init and we never have to reap it.
    const pid_t middle = ::fork();
    if (middle == 0) {
        ::close(report[0]);
        const pid_t program = ::fork();
        if (program < 0)
            ReportAndExit(report[1], 1);
        if (program > 0)
            ::_exit(0);
        ::setsid();
        // Hand the program none of our descriptors but the standard three.
        ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
        if (!nativeFolder.empty() && ::chdir(nativeFolder.c_str()) != 0)
            ReportAndExit(report[1], 0);
        ::execv(argv[0], argv.data());
        ReportAndExit(report[1], 1);
    }
    ::close(report[1]);
    if (middle < 0) {
        ::close(report[0]);
        if (error)
            *error = "起動できません: プロセスを作れません。";
        return false;
    }
    ::waitpid(middle, nullptr, 0);
    // The pipe closes on a successful exec; a failure arrives as a record.
    StartFailure failure{};
    ssize_t got;
    do {
        got = ::read(report[0], &failure, sizeof failure);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got == static_cast<ssize_t>(sizeof failure)) {
        if (error)
            *error = Describe(failure);
        return false;
    }
    return true;
}

} // namespace sw::process
