#pragma once

// Synthetic projects for timing and for the round trip at scale: scene trees
// of all four kinds, cells of every type with CP932 texts, characters, and
// generated media files that the cells name.

#include <cstdint>
#include <string>

struct GeneratedProjectSize {
    int scenes = 2000;
    int cellsPerScene = 50;
    // All generated media files together; small files when 0.
    std::uint64_t mediaBytes = 0;
};

// Writes `folder`/project.swo and the media below `folder`/media; the
// project's build folder is `folder`/game. False when a file could not be
// written.
bool GenerateProject(const std::string& folder, const GeneratedProjectSize& size);
