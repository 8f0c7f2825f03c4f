#pragma once

// Deterministic input mutation for the fuzz runner: the same seed and run
// number always give the same input, so a failure found in a long run is
// replayed with `--seed S --run N`.

#include <cstdint>
#include <string>
#include <vector>

class CMutator {
public:
    CMutator(std::uint64_t seed, std::uint64_t run);

    // One to four edits of `input`: flipped bits, boundary bytes and
    // integers, cut, repeated or inserted ranges, tokens from `tokens`,
    // numbers in text pushed to extremes, splices with `other`.
    std::string Mutate(std::string input, const std::vector<std::string>& tokens,
                       const std::string& other);

    std::uint64_t Next();
    std::size_t Below(std::size_t bound) { return bound == 0 ? 0 : Next() % bound; }

private:
    void MutateOnce(std::string& data, const std::vector<std::string>& tokens,
                    const std::string& other);
    std::uint64_t m_state;
};

// Tokens worth inserting, taken from text seeds: their element tags, as
// "<name>" and "</name>".
std::vector<std::string> TagsOf(const std::vector<std::string>& seeds);
