#pragma once

// The round-trip check of a KAG import: the tags, texts, labels and script
// blocks of the game's own files against those of the built first.ks, with
// what the build adds and what the import rewrites taken out. Its tokenizer
// is the test's own and reads UTF-8, where no byte of a character is ASCII.

#include <map>
#include <string>
#include <vector>

class CScenewrightDoc;
struct KagImportReport;

// One token per entry: "tag NAME a=v b=w" (attributes sorted), "text ...",
// "label NAME" or "label NAME|HEADLINE", "script BODY".
std::vector<std::string> KagTokensOfUtf8(const std::string& utf8);

// The tokens of a scenario file as the engine reads it: UTF-16LE or UTF-8
// with a byte-order mark, else CP932.
std::string ScenarioFileAsUtf8(const std::string& bytes);

// The original files (read from `gameFolder` in the report's order) as the
// import promises them back: storage= of merged files dropped, collided
// labels renamed, characters CP932 lacks outside text as '?'.
std::vector<std::string> ExpectedTokens(const std::string& gameFolder,
                                        const KagImportReport& report);

// The built first.ks without the build's own additions; `doc` tells which
// scenes end with a jump into their child.
std::vector<std::string> BuiltTokens(const std::string& firstKsBytes, const CScenewrightDoc& doc);
