#pragma once

// A release: the built game folder packed into OUT/data.xp3, read back and
// checked file by file, with the engine (and the plugins the game loads)
// copied beside it, so that the engine and the archive alone make the game.
//
// Plugins (.dll, .tpi) stay out of the archive: the engine loads them from
// beside its executable, where the release copies them.

#include "document/DocumentUpdate.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CScenewrightDoc;
class IBuildProgress;

inline constexpr const char kReleaseArchiveName[] = "data.xp3";

// Where a file of the game folder goes.
struct ReleaseRule {
    enum Place { Archive, BesideEngine, LeftOut };
    Place place = Archive;
    bool compress = false;        // for Archive: zlib unless it gains nothing
    const char* reason = nullptr; // for LeftOut: why, for the log
};
// The rule for a file by its path relative to the game folder ('/').
ReleaseRule ReleaseRuleFor(std::string_view relativePath);

// The packing half of a release, which touches nothing of the document: it
// may run on another thread while the window goes on.
struct ReleaseJob {
    std::string gameFolder;
    std::string outFolder;
    std::string engine; // the engine's folder or executable; "" for none
    // Left out wherever it lies in the game folder.
    std::string backupFolder;

    // How far the packing has come, in bytes of the files read.
    std::atomic<std::uint64_t> bytesRead{0};
    std::atomic<std::uint64_t> bytesTotal{0};

    // What Run found, for FinishRelease to post.
    std::vector<std::pair<SwLog, std::string>> lines;
    bool released = false;

    void Run();
};

// The job for the game folder of `doc`'s last build into `outFolder`; an
// empty `engine` takes the engine setting.
std::shared_ptr<ReleaseJob> PrepareRelease(CScenewrightDoc& doc, std::string_view outFolder,
                                           std::string_view engine);
// Back on the document's thread: posts the job's log; true when released.
bool FinishRelease(CScenewrightDoc& doc, const ReleaseJob& job);

// Builds, then releases on this thread. 0 when released; the build status
// when the build failed (nothing is packed then); 1 when the release failed.
int ReleaseProject(CScenewrightDoc& doc, std::string_view outFolder, std::string_view engine,
                   IBuildProgress* progress = nullptr);
