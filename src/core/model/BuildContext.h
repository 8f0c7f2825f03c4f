#pragma once

// What scenes and cells see of a build while they write their KAG text:
// where the game goes, the log, the project's settings and scenes, and the
// state of this build (its status, the scene being built, the files written
// so far). The document provides it; the model knows nothing more of the
// document, so a cell type needs only its fields and its build step.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CSwObj;
class CSwScene;
class CSwSettings;

enum class SwLog { Plain, Ok, Error, Warning };

namespace SwBuildStatus {
constexpr std::int32_t NotBuilt = 0;
constexpr std::int32_t Built = 1;
constexpr std::int32_t NoProjectFolder = 2;
constexpr std::int32_t ConfigUnreadable = 3;
constexpr std::int32_t OutputUnwritable = 4;
constexpr std::int32_t MediaCopyFailed = 5;
constexpr std::int32_t ConfigFunctionMissing = 6;
constexpr std::int32_t CellFailed = 7;
} // namespace SwBuildStatus

class CBuildContext {
public:
    virtual ~CBuildContext() = default;

    virtual void PostLogLine(SwLog kind, std::string_view message) = 0;
    // A message for the caller of a step that fails (the patcher's reason).
    const std::string& GetPendingMessage() const { return m_pendingMessage; }
    void SetPendingMessage(std::string_view message) { m_pendingMessage = message; }

    virtual CSwSettings& GetSettings() = 0;
    virtual const CSwSettings& GetSettings() const = 0;
    virtual CSwScene* FindScene(std::int32_t id) const = 0;
    virtual int GetSceneCount() const = 0;
    virtual CSwScene* GetSceneAt(int index) const = 0;
    // The folder of the project file with a trailing '/'; "" in a new document.
    virtual std::string GetProjectFileFolder() const = 0;
    // The folder a build writes the game into: the project folder, or the
    // folder of a build redirected elsewhere (a preview).
    const std::string& GetProjectRoot() const;

    // A build into another folder than the project's: the folder, and who
    // is told just before each cell's text is written (may be empty).
    struct BuildRedirect {
        std::string root;
        std::function<void(const CSwObj& cell)> beforeCell;
        bool quiet = false; // only warnings and errors reach the log
    };
    void SetBuildRedirect(const BuildRedirect* redirect) { m_redirect = redirect; }
    const BuildRedirect* GetBuildRedirect() const { return m_redirect; }

    std::int32_t GetBuildStatus() const { return m_buildStatus; }
    void SetBuildStatus(std::int32_t status) { m_buildStatus = status; }
    CSwScene* GetBuildingScene() const { return m_buildingScene; }
    void SetBuildingScene(CSwScene* scene) { m_buildingScene = scene; }
    // The "scene number" of build messages: the id of the scene being built.
    std::int32_t GetBuildingSceneId() const;

    // What a build writes below the project folder, by whom: two different
    // sources under one name would silently overwrite each other.
    struct BuildOutputClaim {
        std::string source;
        std::int32_t sceneId = 0;
        std::string output; // as the build spelt it
    };
    // Records that the scene being built writes `source` as `output` (a path
    // below the project folder, compared case-blind as the engine's file
    // systems do). Gives the earlier claim when a different source held it.
    std::optional<BuildOutputClaim> ClaimBuildOutput(std::string_view output,
                                                     std::string_view source);
    // The claim on `output` during this build; null when none.
    const BuildOutputClaim* FindBuildOutput(std::string_view output) const;
    void ForgetBuildOutputs() { m_buildOutputs.clear(); }
    const std::map<std::string, BuildOutputClaim>& BuildOutputs() const { return m_buildOutputs; }

    // While previewing, a build writes its text only: it copies and writes no
    // file and claims no output; its error and warning lines are kept aside
    // instead of being posted.
    bool IsPreviewing() const { return m_previewing; }
    void SetPreviewing(bool previewing) {
        m_previewing = previewing;
        m_previewProblems.clear();
    }
    const std::vector<std::string>& GetPreviewProblems() const { return m_previewProblems; }

protected:
    // The build state of a document that was reset or read anew.
    void ResetBuildState();
    // Lines a preview keeps aside, or that a quiet build drops; false when
    // the line is to be posted.
    bool HoldBackLogLine(SwLog kind, std::string_view message);

    CSwScene* m_buildingScene = nullptr;
    std::int32_t m_buildStatus = SwBuildStatus::NotBuilt;

private:
    std::string m_pendingMessage;
    std::map<std::string, BuildOutputClaim> m_buildOutputs;
    bool m_previewing = false;
    std::vector<std::string> m_previewProblems;
    const BuildRedirect* m_redirect = nullptr;
};
