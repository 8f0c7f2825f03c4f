#include "document/PlayFromHere.h"

#include "document/ProjectBuild.h"
#include "document/ScenewrightDoc.h"
#include "model/AssetCopy.h"
#include "model/cells/SwBgmCommands.h"
#include "model/cells/SwCommand.h"
#include "model/cells/SwTransition.h"
#include "platform/Cp932.h"
#include "platform/Files.h"
#include "platform/KagText.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/TextOutput.h"
#include "scenario/GameFolderSetup.h"
#include "scenario/ProjectBuilder.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

// What a cell leaves behind that the game still has later on; messages,
// waits, sounds, quakes, links and jumps leave nothing. Music is followed
// apart: only the last of it matters.
bool LeavesState(std::int32_t type) {
    switch (type) {
    case SwType::Macro:
    case SwType::Plugin:
    case SwType::Particle:
    case SwType::ClearUserVariables:
    case SwType::ClearSystemVariables:
    case SwType::Eval:
    case SwType::Script:
    case SwType::Layer:
    case SwType::CurrentLayer:
    case SwType::BackLay:
    case SwType::ImageLoad:
    case SwType::Transition:
    case SwType::RightClick:
        return true;
    default:
        return false;
    }
}

// Cells written as the build writes them, but as text only: no file is
// copied or written and no output claimed. The document's build state is
// put back afterwards.
class CTextOnlyBuild {
public:
    explicit CTextOnlyBuild(CScenewrightDoc& doc)
        : m_doc(doc), m_status(doc.GetBuildStatus()), m_building(doc.GetBuildingScene()),
          m_previewing(doc.IsPreviewing()) {
        m_doc.SetPreviewing(true);
    }
    ~CTextOnlyBuild() {
        m_doc.SetBuildingScene(m_building);
        m_doc.SetBuildStatus(m_status);
        m_doc.SetPreviewing(m_previewing);
    }
    CTextOnlyBuild(const CTextOnlyBuild&) = delete;
    CTextOnlyBuild& operator=(const CTextOnlyBuild&) = delete;

private:
    CScenewrightDoc& m_doc;
    std::int32_t m_status;
    CSwScene* m_building;
    bool m_previewing;
};

// Replays the cells of the scenes on the way into `out`.
class CReplay {
public:
    CReplay(CScenewrightDoc& doc, CTextOutput& out, std::string& refusal)
        : m_doc(doc), m_out(out), m_refusal(refusal) {}

    // A scene the way passes through: its picture if it is an image map,
    // its cells under its condition as the game runs them, then the way
    // into `next`.
    bool PassThrough(CSwScene& scene, const CSwScene& next) {
        m_doc.SetBuildingScene(&scene);
        const bool map = scene.type == SwType::SceneImageMap && CSwObj::GetChildCount(&scene) >= 2;
        std::string storage;
        if (map && !scene.WriteMapImage(&m_out, &m_doc, storage))
            return Failed(scene, -1);
        const bool conditional = scene.HasConditionalCells();
        if (conditional)
            m_out.Printf("[if exp=\"%s\"]\n", EscapeKagAttribute(scene.expmycond).c_str());
        if (!Cells(scene, scene.GetCellCount()))
            return false;
        if (conditional)
            m_out.Write("[endif]\n");
        if (map && next.clickfreemapimage != 0)
            scene.WriteMapFree(&m_out);
        if (!next.exp.empty())
            m_out.Printf("[eval exp=\"%s\"]\n", EscapeKagAttribute(next.exp).c_str());
        return true;
    }

    // The chosen scene up to the chosen cell: what its section writes
    // before its cells (a choice's links, an image map's picture), then its
    // cells before the chosen one. The game got there, so its condition held.
    bool UpTo(CSwScene& scene, int cell) {
        m_doc.SetBuildingScene(&scene);
        if (!scene.BuildHead(&m_out, &m_doc))
            return Failed(scene, -1);
        return Cells(scene, cell);
    }

    bool Finish() { return m_music == nullptr || m_music->Build(&m_out, &m_doc); }

    std::vector<std::pair<std::int32_t, int>>& Counts() { return m_counts; }

private:
    bool Cells(CSwScene& scene, int end) {
        int replayed = 0;
        for (int i = 0; i < end; ++i) {
            CSwObj& cell = *scene.GetCellAt(i);
            if (cell.type == SwType::BgmPlay) {
                // A play cell without a file plays nothing: the music goes on.
                if (!static_cast<CSwCommand&>(cell).Text(CSwBgmPlay::kStorage).empty())
                    m_music = &cell;
            } else if (cell.type == SwType::BgmStop) {
                m_music = nullptr;
            } else if (LeavesState(cell.type)) {
                if (!Cell(cell))
                    return Failed(scene, i);
                ++replayed;
            }
        }
        m_counts.emplace_back(scene.id, replayed);
        return true;
    }

    // The cell as the build writes it; a transition done at once.
    bool Cell(CSwObj& cell) {
        if (cell.type != SwType::Transition)
            return cell.Build(&m_out, &m_doc);
        std::unique_ptr<CSwObj> atOnce = cell.Clone();
        static_cast<CSwCommand&>(*atOnce).SetInteger(CSwTransition::kTime, 0);
        return atOnce->Build(&m_out, &m_doc);
    }

    bool Failed(const CSwScene& scene, int cell) {
        std::string problems;
        for (const std::string& problem : m_doc.GetPreviewProblems())
            problems += (problems.empty() ? "" : " ") + problem;
        m_refusal = cell < 0
                        ? sw::Format("シーン番号%d の始まりを書き出せません。", scene.id)
                        : sw::Format("シーン番号%d のセル %d を書き出せません。", scene.id, cell);
        if (!problems.empty())
            m_refusal += " " + problems;
        return false;
    }

    CScenewrightDoc& m_doc;
    CTextOutput& m_out;
    std::string& m_refusal;
    CSwObj* m_music = nullptr;
    std::vector<std::pair<std::int32_t, int>> m_counts;
};

// startup.tjs and the system folder as the project's game folder has them;
// unchanged files are not copied again.
void MirrorEngineFiles(CScenewrightDoc& doc, const std::string& from, const std::string& to) {
    const auto copy = [&](const std::string& source, const std::string& relative) {
        std::string refused;
        if (!sw::files::IsUnchangedCopy(source, sw::paths::Join(to, relative)) &&
            !sw::files::CopyBelowRoot(source, to, relative, &refused))
            doc.PostLogLine(SwLog::Error, refused.empty()
                                              ? sw::Format("%s のコピーに失敗。", source.c_str())
                                              : LinkOutOfRootMessage(refused));
    };
    sw::files::CreateDirectories(sw::paths::Join(to, "system"));
    if (sw::files::FileExists(sw::paths::Join(from, "startup.tjs")))
        copy(sw::paths::Join(from, "startup.tjs"), "startup.tjs");
    const std::string system = sw::paths::Join(from, "system");
    for (const std::string& name : sw::files::FindFiles(system, "*")) {
        const std::string lower = sw::cp932::ToLowerAscii(name);
        // The build's own leftovers; a Config.~new would start the engine's
        // configuration merge.
        if (lower == "config.bak" || lower == "config.tmp" || lower == "config.~new")
            continue;
        copy(sw::paths::Join(system, name), "system/" + name);
    }
}

// `path` is `folder` or below it, both taken from `current` when relative.
bool IsInside(const std::string& current, const std::string& path, const std::string& folder) {
    const auto absolute = [&](const std::string& p) {
        return sw::paths::IsAbsolute(p) ? p : sw::paths::Join(current, p);
    };
    return sw::paths::IsInside(absolute(path), absolute(folder));
}

std::uint64_t Fnv1a(std::string_view text) {
    std::uint64_t hash = 1469598103934665603ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

// The placed files of the cached build are still there and the copied ones
// match their sources again (copied anew where a source changed). False
// when something is missing: the preview is then built whole.
bool RefreshPlacedFiles(CScenewrightDoc& doc, const PreviewCache& cache) {
    for (const PreviewCache::Placed& placed : cache.placed) {
        const std::string target = sw::paths::Join(cache.folder, placed.output);
        if (!sw::files::FileExists(target))
            return false;
        if (!sw::files::FileExists(placed.source) ||
            sw::files::IsUnchangedCopy(placed.source, target))
            continue;
        if (!sw::files::CopyBelowRoot(placed.source, cache.folder, placed.output))
            return false;
        doc.PostLogLine(SwLog::Ok, sw::Format("%s を %s にコピー。", placed.source.c_str(),
                                              placed.output.c_str()));
    }
    return true;
}

} // namespace

bool ParsePreviewPoint(const std::string& text, PreviewPoint& point) {
    const std::size_t colon = text.find(':');
    char* end = nullptr;
    const std::string scene = text.substr(0, colon);
    const long id = std::strtol(scene.c_str(), &end, 10);
    if (scene.empty() || *end != '\0' || id < 1 || id > INT32_MAX)
        return false;
    point = {static_cast<std::int32_t>(id), -1};
    if (colon == std::string::npos)
        return true;
    const std::string cell = text.substr(colon + 1);
    const long position = std::strtol(cell.c_str(), &end, 10);
    if (cell.empty() || *end != '\0' || position < 0 || position > INT_MAX)
        return false;
    point.cell = static_cast<int>(position);
    return true;
}

std::string DefaultPreviewFolder(const CScenewrightDoc& doc) {
    std::string cache = sw::process::Environment("XDG_CACHE_HOME");
    if (!sw::paths::IsAbsolute(cache)) {
        const std::string home = sw::process::Environment("HOME");
        cache = home.empty() ? std::string("/tmp") : sw::paths::Join(home, ".cache");
    }
    const std::string& project = doc.GetProjectFilePath();
    const std::string name = project.empty()
                                 ? std::string("untitled")
                                 : sw::Format("%s-%016llx", sw::paths::StemOf(project).c_str(),
                                              static_cast<unsigned long long>(Fnv1a(project)));
    return sw::paths::Join(cache, "Scenewright/preview/" + name);
}

bool WriteStartSection(CScenewrightDoc& doc, const PreviewPoint& point, CTextOutput& out,
                       std::string& refusal, std::vector<std::pair<std::int32_t, int>>* replayed) {
    CSwScene* chosen = doc.FindScene(point.sceneId);
    if (chosen == nullptr) {
        refusal = sw::Format("シーン番号%d のシーンはありません。", point.sceneId);
        return false;
    }
    if (point.cell >= chosen->GetCellCount()) {
        refusal = sw::Format("シーン番号%d にセル %d はありません（セルは %d 個です）。",
                             point.sceneId, point.cell, chosen->GetCellCount());
        return false;
    }
    if (chosen->Top()->procedure != 0) {
        refusal = sw::Format("シーン番号%d は手続き（Procedure）の木にあり、最初のシーンから"
                             "たどる道がないため、ここからは始められません。",
                             point.sceneId);
        return false;
    }
    // The tree path, as the chart draws it: each ancestor, then the scene.
    std::vector<CSwScene*> path;
    for (CSwObj* at = chosen; at && SwType::IsScene(at->type); at = at->parent)
        path.insert(path.begin(), static_cast<CSwScene*>(at));

    const CTextOnlyBuild textOnly(doc);
    out.Write(";---------------------------------------\n");
    out.Write("; Scenewright: ここから実行するための準備\n");
    out.Write(";---------------------------------------\n");
    WriteCharacterBlock(out, doc.GetSettings());
    CReplay replay(doc, out, refusal);
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
        if (!replay.PassThrough(*path[i], *path[i + 1]))
            return false;
    }
    if (point.cell >= 0 && !replay.UpTo(*chosen, point.cell))
        return false;
    if (!replay.Finish()) {
        refusal = sw::Format("シーン番号%d までに流れる BGM を書き出せません。", point.sceneId);
        return false;
    }
    out.Printf("[jump target=\"%s\"]\n",
               point.cell < 0 ? CSwScene::LabelOf(chosen->id).c_str() : kPreviewLabel);
    if (replayed)
        *replayed = std::move(replay.Counts());
    return true;
}

std::int32_t BuildPreview(CScenewrightDoc& doc, const PreviewPoint& point,
                          const std::string& folder, std::string& refusal, PreviewCache* cache,
                          IBuildProgress* progress) {
    const std::string projectRoot = doc.GetProjectRoot();
    const auto refuse = [&](std::string why) {
        refusal = std::move(why);
        doc.PostLogLine(SwLog::Error, "プレビュー: " + refusal);
        return std::int32_t{0};
    };
    if (folder.empty())
        return refuse("プレビューを書き出すフォルダがありません。");
    // Inside the game folder, the preview would end up in the game's release.
    if (!projectRoot.empty() && (sw::files::IsSameFile(folder, projectRoot) ||
                                 IsInside(sw::files::CurrentDirectory(), folder, projectRoot)))
        return refuse(sw::Format("%s はプロジェクトのゲームフォルダの中です。プレビューは別の"
                                 "フォルダに書き出します。",
                                 folder.c_str()));

    CStringOutput start;
    std::vector<std::pair<std::int32_t, int>> replayed;
    {
        CScenewrightDoc::BuildRedirect redirect{folder, {}};
        doc.SetBuildRedirect(&redirect);
        std::string why;
        const bool reachable = WriteStartSection(doc, point, start, why, &replayed);
        doc.SetBuildRedirect(nullptr);
        // Refused before anything is written.
        if (!reachable)
            return refuse(why);
    }
    if (!sw::files::CreateDirectories(folder) || !sw::files::DirectoryExists(folder))
        return refuse(sw::Format("フォルダ %s を作れません。", folder.c_str()));
    if (!projectRoot.empty() && !FindEngineConfig(projectRoot).empty())
        MirrorEngineFiles(doc, projectRoot, folder);
    else if (FindEngineConfig(folder).empty())
        SetUpGameFolder(doc, folder, doc.GetEngineTemplatePath());

    PreviewCache fresh;
    PreviewCache& kept = cache ? *cache : fresh;
    const bool reuse = kept.valid && kept.revision == doc.ContentRevision() &&
                       kept.folder == folder && kept.projectFile == doc.GetProjectFilePath() &&
                       RefreshPlacedFiles(doc, kept);
    // The project's own build state is not the preview's.
    const std::int32_t buildStatus = doc.GetBuildStatus();
    std::int32_t status = SwBuildStatus::Built;
    if (reuse) {
        CScenewrightDoc::BuildRedirect redirect{folder, {}};
        doc.SetBuildRedirect(&redirect);
        // The configuration is patched as each build patches it.
        doc.SetBuildStatus(SwBuildStatus::Built);
        if (!UpdateEngineConfig(doc, folder))
            status = doc.GetBuildStatus() == SwBuildStatus::Built ? SwBuildStatus::ConfigUnreadable
                                                                  : doc.GetBuildStatus();
        doc.SetBuildRedirect(nullptr);
    } else {
        kept = PreviewCache{};
        CStringOutput scenario;
        // Room for the text an earlier preview wrote, so it is not copied as it grows.
        std::uint64_t earlier = 0;
        if (sw::files::FileSize(sw::paths::Join(folder, "scenario/first.ks"), earlier))
            scenario.Reserve(static_cast<std::size_t>(std::min<std::uint64_t>(earlier, 1u << 30)));
        // The build's own lines would bury the preview's in the log.
        CScenewrightDoc::BuildRedirect redirect{folder,
                                                [&](const CSwObj& cell) {
                                                    kept.cellStarts.emplace_back(
                                                        &cell, scenario.Text().size());
                                                },
                                                true};
        doc.SetBuildRedirect(&redirect);
        const bool built = BuildProject(doc, progress, false, &scenario);
        status = built ? SwBuildStatus::Built : doc.GetBuildStatus();
        if (built && status == SwBuildStatus::Built) {
            kept.revision = doc.ContentRevision();
            kept.folder = folder;
            kept.projectFile = doc.GetProjectFilePath();
            kept.scenario = scenario.Take();
            for (const auto& [key, claim] : doc.BuildOutputs())
                kept.placed.push_back({claim.output, claim.source});
            kept.valid = true;
        } else if (status == SwBuildStatus::Built) {
            status = SwBuildStatus::CellFailed;
        }
        doc.SetBuildRedirect(nullptr);
    }
    doc.SetBuildStatus(buildStatus);
    if (status != SwBuildStatus::Built) {
        kept.valid = false;
        return status;
    }

    // first.ks: the start section, then the build's text with our label
    // before the chosen cell.
    std::size_t cut = kept.scenario.size();
    std::string label;
    if (point.cell >= 0) {
        const CSwObj* chosen = doc.FindScene(point.sceneId)->GetCellAt(point.cell);
        const auto at = std::find_if(kept.cellStarts.begin(), kept.cellStarts.end(),
                                     [&](const auto& start) { return start.first == chosen; });
        // Every cell of every scene is in the build's text.
        if (at == kept.cellStarts.end()) {
            kept.valid = false;
            return refuse(sw::Format("シーン番号%d のセル %d がシナリオにありません。",
                                     point.sceneId, point.cell));
        }
        cut = at->second;
        label = sw::Format(";\r\n%s\r\n;\r\n", kPreviewLabel);
    }
    const std::string_view text = kept.scenario;
    const std::array<std::string_view, 4> pieces{start.Text(), text.substr(0, cut), label,
                                                 text.substr(cut)};
    sw::files::CFileBelowRoot firstKs;
    std::string refused;
    bool written = firstKs.Open(folder, "scenario/first.ks", &refused);
    for (const std::string_view piece : pieces)
        written = written && firstKs.Write(piece);
    if (!written || !firstKs.Commit(false)) {
        kept.valid = false;
        doc.PostLogLine(SwLog::Error,
                        refused.empty()
                            ? sw::Format("書き込みモードで出力先 %s を開くことが出来ません。",
                                         sw::paths::Join(folder, "scenario/first.ks").c_str())
                            : LinkOutOfRootMessage(refused));
        return SwBuildStatus::OutputUnwritable;
    }
    std::string counts;
    for (const auto& [sceneId, cells] : replayed)
        counts +=
            sw::Format("%sシーン番号%d から %d 個", counts.empty() ? "" : "、", sceneId, cells);
    doc.PostLogLine(SwLog::Plain, sw::Format("プレビュー: 再現したセル: %s。", counts.c_str()));
    if (reuse)
        doc.PostLogLine(
            SwLog::Plain,
            "プレビュー: プロジェクトは前回から変わっていないため、シナリオを使い回しました。");
    doc.PostLogLine(
        SwLog::Ok,
        point.cell < 0
            ? sw::Format("プレビュー: シーン番号%d から始まるゲームを %s に書き出しました。",
                         point.sceneId, folder.c_str())
            : sw::Format("プレビュー: シーン番号%d のセル %d から始まるゲームを %s "
                         "に書き出しました。",
                         point.sceneId, point.cell, folder.c_str()));
    return SwBuildStatus::Built;
}
