// Seeded mutation fuzzing of the readers:
//   scenewright_fuzz TARGET [--runs N] [--seed S] [--run K] [--corpus DIR]...
//                    [--crashes DIR]
// Every corpus file (and built-in seed) is fed once, then N mutations of
// them. An input that crashes or breaks a target's rule is written to the
// crashes folder (default: the working folder) as crash-TARGET-S-K.
// --run K feeds only the K-th mutation of seed S, to replay a finding.

#include "fuzz/FuzzTargets.h"
#include "fuzz/Mutator.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "support/TempFolder.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace {

// Seeds above this size are fed once but not mutated, which would make each
// run slow without reaching anything new.
constexpr std::size_t kMaxMutatedSeed = 64 * 1024;

// What a crash handler writes out; set before every input.
const std::string* g_input = nullptr;
char g_crashPath[4096];

void SaveCurrentInput() {
    if (g_input == nullptr)
        return;
    int fd = ::open(g_crashPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    std::size_t done = 0;
    while (done < g_input->size()) {
        ssize_t n = ::write(fd, g_input->data() + done, g_input->size() - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    static const char kNote[] = "fuzz: input saved as ";
    (void)!::write(2, kNote, sizeof kNote - 1);
    (void)!::write(2, g_crashPath, std::strlen(g_crashPath));
    (void)!::write(2, "\n", 1);
}

void OnFatalSignal(int signal) {
    SaveCurrentInput();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void InstallCrashHandlers() {
    // Its own stack, so that a stack overflow can still be reported.
    static std::vector<char> altStack(1 << 16);
    stack_t stack{};
    stack.ss_sp = altStack.data();
    stack.ss_size = altStack.size();
    ::sigaltstack(&stack, nullptr);
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
        struct sigaction action {};
        action.sa_handler = OnFatalSignal;
        action.sa_flags = SA_ONSTACK;
        ::sigaction(signal, &action, nullptr);
    }
    if (__sanitizer_set_death_callback)
        __sanitizer_set_death_callback(SaveCurrentInput);
}

struct Options {
    std::string target;
    long runs = 2000;
    unsigned long long seed = 1;
    long onlyRun = -1;
    std::vector<std::string> corpora;
    std::string crashes = ".";
};

bool ParseOptions(int argc, char** argv, Options& options) {
    if (argc < 2)
        return false;
    options.target = argv[1];
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        const char* value = argv[i + 1];
        if (flag == "--runs")
            options.runs = std::atol(value);
        else if (flag == "--seed")
            options.seed = std::strtoull(value, nullptr, 10);
        else if (flag == "--run")
            options.onlyRun = std::atol(value);
        else if (flag == "--corpus")
            options.corpora.push_back(value);
        else if (flag == "--crashes")
            options.crashes = value;
        else
            return false;
    }
    return (argc % 2) == 0;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: %s TARGET [--runs N] [--seed S] [--run K] [--corpus DIR]... "
                             "[--crashes DIR]\n", argv[0]);
        return 2;
    }
    const FuzzTarget* target = nullptr;
    for (const FuzzTarget& each : FuzzTargets()) {
        if (options.target == each.name)
            target = &each;
    }
    if (target == nullptr) {
        std::fprintf(stderr, "unknown target %s\n", options.target.c_str());
        return 2;
    }

    std::vector<std::string> seeds = target->builtInSeeds();
    for (const std::string& folder : options.corpora) {
        for (const std::string& name : sw::files::FindFiles(folder, target->pattern)) {
            std::string bytes;
            if (sw::files::ReadWholeFile(sw::paths::Join(folder, name), bytes))
                seeds.push_back(std::move(bytes));
        }
    }
    if (seeds.empty()) {
        std::fprintf(stderr, "no seeds for %s\n", target->name);
        return 2;
    }
    std::vector<const std::string*> mutable_;
    for (const std::string& seed : seeds) {
        if (seed.size() <= kMaxMutatedSeed)
            mutable_.push_back(&seed);
    }
    const std::vector<std::string> tokens = target->tokens(seeds);
    InstallCrashHandlers();
    TempFolder scratch;

    long failures = 0;
    auto feed = [&](const std::string& input, long run) {
        std::snprintf(g_crashPath, sizeof g_crashPath, "%s/crash-%s-%llu-%ld",
                      options.crashes.c_str(), target->name, options.seed, run);
        g_input = &input;
        const std::string fault = target->run(input, scratch);
        g_input = nullptr;
        if (fault.empty())
            return;
        ++failures;
        g_input = &input;
        SaveCurrentInput();
        g_input = nullptr;
        std::fprintf(stderr, "fuzz: %s run %ld: %s\n", target->name, run, fault.c_str());
    };

    long first = 0, last = options.runs;
    if (options.onlyRun >= 0) {
        first = options.onlyRun;
        last = options.onlyRun + 1;
    } else {
        for (std::size_t i = 0; i < seeds.size(); ++i)
            feed(seeds[i], -1 - static_cast<long>(i));
    }
    for (long run = first; run < last && !mutable_.empty(); ++run) {
        CMutator mutator(options.seed, static_cast<std::uint64_t>(run));
        const std::string& base = *mutable_[mutator.Below(mutable_.size())];
        const std::string& other = *mutable_[mutator.Below(mutable_.size())];
        std::string input = mutator.Mutate(base, tokens, other);
        // Now and then left unmended, so that the checks themselves are fed.
        if (target->mend && mutator.Below(4) != 0)
            target->mend(input);
        feed(input, run);
    }
    std::printf("fuzz %s: %zu seeds, %ld mutations, %ld failures\n", target->name, seeds.size(),
                last - first, failures);
    return failures == 0 ? 0 : 1;
}
