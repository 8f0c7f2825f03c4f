#pragma once

// A KAG game written by hand becomes a project: each label section of its
// scenario files a scene, the sections of one file a chain of scenes, and
// every line a cell. Lines no typed cell writes back exactly are kept in tag
// cells as written, so building the project gives the game's own tags and
// text again. The game folder is only read.

#include <functional>
#include <map>
#include <string>
#include <vector>

class CScenewrightDoc;

struct KagImportOptions {
    std::string gameFolder;
    // The file to start with when the game has no scenario/first.ks: a path,
    // or a name found in the game's folders as the engine finds storages.
    std::string firstFile;
    // When set, a game folder of the project's own: the game's files are
    // copied there (never the original's saves, archives or executables)
    // and the project builds into it, so that what no cell names (system
    // scripts, fonts, pictures named in kept lines) is in place.
    std::string buildFolder;
    // Called after each file read and each scene made; may be empty.
    std::function<void(int done, int total)> progress;
};

struct KagImportReport {
    bool firstFileMissing = false;  // no scenario/first.ks and none named
    std::vector<std::string> files; // relative to the game folder, in import order
    int scenes = 0;
    std::map<std::string, int> cellsByKind; // by the catalogue's list name
    int linesKeptAsText = 0;
    std::vector<std::string> unresolvedMedia; // "file line: name"
    std::vector<std::string> renamedLabels;   // one line per rename
    std::vector<std::string> problems;        // naming the file and line
    // Characters CP932 lacks, outside shown text, kept as '?'.
    std::vector<std::string> replacedCharacters;
    std::vector<std::string> unnamedFiles; // folders holding files no cell names
    // Per file (in `files` order): the labels renamed, old name to new.
    std::vector<std::map<std::string, std::string>> labelRenames;
    // Lower-case names of the files merged, for `storage=` that named them.
    std::vector<std::string> mergedNames;
    std::string buildFolder; // where the game's files were copied
    int filesCopied = 0;
};

// Imports into `doc`, which should be empty. False with `message` when
// there is nothing to import (no such folder, no first file); problems in
// single files are in the report and the rest is imported.
bool ImportKagGame(CScenewrightDoc& doc, const KagImportOptions& options, KagImportReport& report,
                   std::string& message);

// The report as log lines for the author.
std::vector<std::string> KagImportReportLines(const KagImportReport& report);
