#pragma once

// Play from here: a game written into a folder of its own that starts at a
// chosen scene or cell, with the state the game would have there. Its
// first.ks opens with a start section that replays, without waiting, what
// the cells on the way leave behind (macros, plugins, variables, layers and
// pictures, the music playing, right-click handlers, the expressions of the
// way taken) and jumps to the chosen point; the whole scenario follows
// exactly as the build writes it, with one label of our own before a chosen
// cell. The project's own game folder is never written to.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class CScenewrightDoc;
class CSwObj;
class IBuildProgress;
class CTextOutput;

struct PreviewPoint {
    std::int32_t sceneId = 0;
    int cell = -1; // the position in the scene's cells; -1 for the scene's start
};

// The label the start section jumps to before a chosen cell.
inline constexpr const char kPreviewLabel[] = "*__PREVIEW_START__";

// Reads "12" or "12:3"; false for anything else.
bool ParsePreviewPoint(const std::string& text, PreviewPoint& point);

// Where a project's preview games go: below the user's cache folder, one
// folder per project file, reused.
std::string DefaultPreviewFolder(const CScenewrightDoc& doc);

// The start section for `point`; false with the reason (in CP932) when the
// game never reaches it from a top scene, the point does not exist or a
// cell on the way cannot be written. `replayed` counts the cells replayed
// per scene on the way. Writes no file.
bool WriteStartSection(CScenewrightDoc& doc, const PreviewPoint& point, CTextOutput& out,
                       std::string& refusal,
                       std::vector<std::pair<std::int32_t, int>>* replayed = nullptr);

// What one preview leaves for the next into the same folder while the
// project stays unchanged: the scenario text, where each cell's text
// starts in it, and the files the build placed. Owned by the caller.
struct PreviewCache {
    std::uint64_t revision = 0;
    std::string folder;
    std::string projectFile;
    std::string scenario;
    std::vector<std::pair<const CSwObj*, std::size_t>> cellStarts; // in text order
    struct Placed {
        std::string output; // below the folder
        std::string source; // a file copied there; otherwise what made it
    };
    std::vector<Placed> placed;
    bool valid = false;
};

// Writes the preview game into `folder`: the engine's files as the project
// folder has them, the media, and first.ks. Returns the build status (1
// when written; 0 when refused, with `refusal` set and logged). With a
// cache from an earlier preview of the unchanged project, only the start
// section is new and the placed files are only checked.
std::int32_t BuildPreview(CScenewrightDoc& doc, const PreviewPoint& point,
                          const std::string& folder, std::string& refusal,
                          PreviewCache* cache = nullptr, IBuildProgress* progress = nullptr);
