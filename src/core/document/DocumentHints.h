#pragma once

// The hints by which the document tells its views what changed.
namespace SwHint {
constexpr int Reset = 1;
constexpr int Opened = 2;
constexpr int SceneAdded = 3;
constexpr int SceneDetached = 4;
constexpr int SceneDeleted = 5;
constexpr int SelectionChanged = 6;
constexpr int BuildFinished = 7;
constexpr int LogPlain = 8;
constexpr int LogOk = 9;
constexpr int LogError = 10;
constexpr int LogWarning = 11;
} // namespace SwHint
