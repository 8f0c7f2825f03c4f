#pragma once

// How the document tells its views what changed, and the build log's lines.

#include "model/BuildContext.h"

#include <string>
#include <string_view>

class CScenewrightDoc;
class CSwScene;

enum class SwChange {
    Reset,       // a new, empty project
    Opened,      // another project, or another state of the whole project, is in place
    Project,     // many parts of the project changed in one edit
    SceneTree,   // scenes were added, removed or relinked; `scene` is the one to show
    SceneFields, // `scene`'s own fields: title, conditions, flags, link target
    Cells,       // cells of `scene` were added, removed, moved or changed
    Settings,    // the project settings, media lists or characters
    Selection,   // the current scene or cell
    History,     // a step was recorded, undone or redone, or the project saved
    BuildStarted,
    BuildFinished,
};

struct SwUpdate {
    SwChange change = SwChange::Project;
    const CSwScene* scene = nullptr;
    // For Cells: the first cell position that may differ (-1: the whole list).
    int firstCell = -1;
};

class IScenewrightView {
public:
    virtual ~IScenewrightView() = default;
    virtual void OnDocumentUpdate(CScenewrightDoc& doc, const SwUpdate& update) = 0;
};

// Build-log lines go to sinks of their own: a build posts tens of
// thousands of them, which no other view needs to hear of.
class ILogSink {
public:
    virtual ~ILogSink() = default;
    // `line` is the printed line, "error: ..." for an error (CP932).
    virtual void OnLogLine(SwLog kind, std::string_view line) = 0;
};

// The printed form of a log message: "ok: ", "error: " or "warning: " in
// front of it, a plain message as it is.
std::string LogLineText(SwLog kind, std::string_view message);
