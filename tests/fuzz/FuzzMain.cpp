// Seeded mutation fuzzing of the readers:
//   scenewright_fuzz TARGET [--runs N] [--seed S] [--run K] [--corpus DIR]...
//                    [--crashes DIR] [--time-limit SECONDS] [--memory-limit MB]
//                    [--replay FILE] [--write-seeds DIR] [--seconds S]
// Every corpus file (and built-in seed) is fed once, then N mutations of
// them (or as many as S seconds allow). An input that crashes, hangs past the time limit, grows
// past the memory limit or breaks a target's rule is written to the crashes folder (default: the
// working folder) as crash-TARGET-S-K, and the command that replays it is printed. --run K feeds
// only the K-th mutation of seed S;
// --replay FILE feeds one saved input. --write-seeds writes the built-in
// seeds as files, for a corpus. Each run works in a scratch folder of its
// own (with the corpus folders' media/ copied in, so that media paths
// resolve), removed at the end.

#include "fuzz/FuzzTargets.h"
#include "fuzz/Mutator.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "support/TempFolder.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <thread>
#include <unistd.h>

#include <string>
#include <vector>

extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace {

// Seeds above this size are fed once but not mutated, which would make each
// run slow without reaching anything new.
constexpr std::size_t kMaxMutatedSeed = 64 * 1024;

// `base` with the text of one of its elements mutated and escaped, so that
// the document stays well-formed; `base` mutated whole when it has none.
std::string MutateOneValue(CMutator& mutator, const std::string& base,
                           const std::vector<std::string>& tokens, const std::string& other) {
    std::vector<std::pair<std::size_t, std::size_t>> values;
    for (std::size_t close = base.find("</"); close != std::string::npos;
         close = base.find("</", close + 2)) {
        const std::size_t open = base.rfind('>', close);
        if (open != std::string::npos && base.find('<', open) == close)
            values.emplace_back(open + 1, close);
    }
    if (values.empty())
        return mutator.Mutate(base, tokens, other);
    const auto [start, end] = values[mutator.Below(values.size())];
    const std::string mutated = mutator.Mutate(base.substr(start, end - start), tokens, other);
    std::string escaped;
    for (const char c : mutated)
        escaped += c == '<' ? "&lt;" : c == '&' ? "&amp;" : std::string(1, c);
    return base.substr(0, start) + escaped + base.substr(end);
}

// What a crash handler writes out; set before every input.
const std::string* g_input = nullptr;
char g_crashPath[4096];
// How to replay the input being fed, printed with every failure.
char g_replay[8192];

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
    static const char kReplay[] = "\nfuzz: replay with: ";
    (void)!::write(2, kReplay, sizeof kReplay - 1);
    (void)!::write(2, g_replay, std::strlen(g_replay));
    (void)!::write(2, "\n", 1);
}

// The resident memory of this process in megabytes.
long ResidentMegabytes() {
    long pages = 0, resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm)
        return 0;
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
        resident = 0;
    std::fclose(statm);
    return resident * (::sysconf(_SC_PAGESIZE) / 1024) / 1024;
}

// Watches each input: one that runs past `seconds` or grows the process
// past `megabytes` is saved and reported, the scratch folder removed, and
// the process ends with status 3.
class CWatchdog {
public:
    CWatchdog(long seconds, long megabytes, std::string scratch)
        : m_seconds(seconds), m_megabytes(megabytes), m_scratch(std::move(scratch)),
          m_thread([this] { Watch(); }) {}
    ~CWatchdog() {
        m_stop = true;
        m_thread.join();
    }
    void Start() { m_started = std::time(nullptr); }
    void Stop() { m_started = 0; }

private:
    void Watch() {
        while (!m_stop) {
            ::usleep(100 * 1000);
            const std::time_t started = m_started;
            const char* fault = nullptr;
            if (started != 0 && std::time(nullptr) - started > m_seconds)
                fault = "fuzz: the input ran past the time limit\n";
            else if (started != 0 && m_megabytes > 0 && ResidentMegabytes() > m_megabytes)
                fault = "fuzz: the input grew past the memory limit\n";
            if (fault == nullptr)
                continue;
            (void)!::write(2, fault, std::strlen(fault));
            SaveCurrentInput();
            std::error_code ignored;
            std::filesystem::remove_all(m_scratch, ignored);
            ::_exit(3);
        }
    }
    long m_seconds, m_megabytes;
    std::string m_scratch;
    std::atomic<std::time_t> m_started{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

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
    long timeLimit = 20;
    long memoryLimit = 4096;
    std::string replay;
    std::string writeSeeds;
    long seconds = 0;
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
        else if (flag == "--time-limit")
            options.timeLimit = std::atol(value);
        else if (flag == "--memory-limit")
            options.memoryLimit = std::atol(value);
        else if (flag == "--replay")
            options.replay = value;
        else if (flag == "--write-seeds")
            options.writeSeeds = value;
        else if (flag == "--seconds")
            options.seconds = std::atol(value);
        else
            return false;
    }
    return (argc % 2) == 0;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: %s TARGET [--runs N] [--seed S] [--run K] [--corpus DIR]... "
                     "[--crashes DIR] [--time-limit SECONDS] [--memory-limit MB] [--replay FILE] "
                     "[--write-seeds DIR] [--seconds S]\n",
                     argv[0]);
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
    if (!options.writeSeeds.empty()) {
        for (std::size_t i = 0; i < seeds.size(); ++i) {
            const std::string name = std::string(target->name) + "-" + std::to_string(i) +
                                     std::string(target->pattern).substr(1);
            if (!sw::files::WriteFileAtomically(sw::paths::Join(options.writeSeeds, name),
                                                seeds[i]))
                return 2;
        }
        std::printf("wrote %zu seeds of %s\n", seeds.size(), target->name);
        return 0;
    }
    for (const std::string& folder : options.corpora) {
        // A corpus that is not there is an error, never a silent skip.
        if (!sw::files::DirectoryExists(folder)) {
            std::fprintf(stderr, "missing corpus folder %s\n", folder.c_str());
            return 2;
        }
        for (const std::string& name : sw::files::FindFiles(folder, target->pattern)) {
            std::string bytes;
            if (sw::files::ReadWholeFile(sw::paths::Join(folder, name), bytes))
                seeds.push_back(std::move(bytes));
        }
    }
    if (!options.replay.empty()) {
        seeds.clear();
        std::string bytes;
        if (!sw::files::ReadWholeFile(options.replay, bytes)) {
            std::fprintf(stderr, "cannot read %s\n", options.replay.c_str());
            return 2;
        }
        seeds.push_back(std::move(bytes));
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
    // Media paths of the corpus projects ("./media/...") resolve in the scratch folder.
    for (const std::string& folder : options.corpora) {
        std::string native;
        std::error_code ignored;
        if (sw::files::ToNativePath(sw::paths::Join(folder, "media"), native) &&
            std::filesystem::is_directory(native))
            std::filesystem::copy(native, scratch.File("media"),
                                  std::filesystem::copy_options::skip_existing, ignored);
    }
    std::string corpusArguments;
    for (const std::string& folder : options.corpora)
        corpusArguments += " --corpus " + folder;
    CWatchdog watchdog(options.timeLimit, options.memoryLimit, scratch.Path());

    long failures = 0;
    auto feed = [&](const std::string& input, long run) {
        std::snprintf(g_crashPath, sizeof g_crashPath, "%s/crash-%s-%llu-%ld",
                      options.crashes.c_str(), target->name, options.seed, run);
        std::snprintf(g_replay, sizeof g_replay, "%s %s --replay %s%s", argv[0], target->name,
                      g_crashPath, corpusArguments.c_str());
        g_input = &input;
        watchdog.Start();
        const std::string fault = target->run(input, scratch);
        watchdog.Stop();
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
    if (!options.replay.empty()) {
        last = 0;
        feed(seeds[0], -1);
    } else if (options.onlyRun >= 0) {
        first = options.onlyRun;
        last = options.onlyRun + 1;
    } else {
        // Mutations start from the seeds that got somewhere (opened,
        // decoded...), so that most inputs reach past the first check;
        // the others were fed once all the same.
        std::vector<const std::string*> productive;
        for (std::size_t i = 0; i < seeds.size(); ++i) {
            const long before = StagesCounted();
            feed(seeds[i], -1 - static_cast<long>(i));
            if (StagesCounted() > before && seeds[i].size() <= kMaxMutatedSeed)
                productive.push_back(&seeds[i]);
        }
        if (!productive.empty())
            mutable_ = productive;
    }
    const std::time_t stop = options.seconds > 0 ? std::time(nullptr) + options.seconds : 0;
    for (long run = first; run < last && !mutable_.empty(); ++run) {
        if (stop != 0 && std::time(nullptr) >= stop) {
            last = run;
            break;
        }
        CMutator mutator(options.seed, static_cast<std::uint64_t>(run));
        const std::string& base = *mutable_[mutator.Below(mutable_.size())];
        const std::string& other = *mutable_[mutator.Below(mutable_.size())];
        std::string input = target->xmlValues && mutator.Below(4) != 0
                                ? MutateOneValue(mutator, base, tokens, other)
                                : mutator.Mutate(base, tokens, other);
        // Now and then left unmended, so that the checks themselves are fed.
        if (target->mend && mutator.Below(4) != 0)
            target->mend(input);
        feed(input, run);
    }
    const long inputs =
        static_cast<long>(options.replay.empty() && options.onlyRun < 0 ? seeds.size() : 0) +
        (last - first);
    std::printf("fuzz %s: %zu seeds, %ld mutations, %ld inputs, %ld failures%s\n", target->name,
                seeds.size(), last - first, inputs, failures, StageSummary(inputs).c_str());
    return failures == 0 ? 0 : 1;
}
