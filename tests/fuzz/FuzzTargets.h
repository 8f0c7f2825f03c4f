#pragma once

// The readers the fuzz runner feeds. Each target takes one input and returns
// "" when the reader behaved, else what it did wrong; crashes and sanitizer
// reports end the process and are caught by the runner.

#include <string>
#include <string_view>
#include <vector>

class TempFolder;

struct FuzzTarget {
    const char* name;
    // Corpus files of this target, by wildcard.
    const char* pattern;
    // Inputs known to the code itself, beside the corpus files.
    std::vector<std::string> (*builtInSeeds)();
    // Tokens for insertion, given the seeds.
    std::vector<std::string> (*tokens)(const std::vector<std::string>& seeds);
    std::string (*run)(std::string_view input, const TempFolder& scratch);
    // Mends what a format checks first (checksums), so that most mutations
    // reach the code behind the check; null for none.
    void (*mend)(std::string& input) = nullptr;
    // XML inputs: most mutations change one element's text only, escaped,
    // so that they reach the readers behind the parser.
    bool xmlValues = false;
};

const std::vector<FuzzTarget>& FuzzTargets();

// Targets count how far each input went ("opened", "built", "decoded"...);
// the runner prints each stage's share of all inputs at the end.
void CountStage(const char* stage);
std::string StageSummary(long inputs);
// All stages counted so far.
long StagesCounted();
