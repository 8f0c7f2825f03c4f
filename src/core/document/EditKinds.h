#pragma once

// The kinds of change an author makes to a project; each names its step in
// the undo history.
enum class SwEdit {
    AddScene,
    DeleteScene,
    CutLink,
    SceneProperties,
    AddCells,
    PasteCells,
    CutCells,
    DeleteCells,
    MoveCells,
    ImportScenario,
    CellProperties,
    ProjectSettings,
    Characters,
    BackgroundList,
    MediaList,
    ImportTexts,
    ReplaceText,
    Recovery,
};

// The step's name as the Edit menu shows it, in CP932.
const char* EditName(SwEdit edit);
