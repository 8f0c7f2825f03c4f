#pragma once

// One change of the project as it is made. Every operation that changes
// the project opens a CProjectEdit, touches each object before changing
// it, hands over what it takes out, and commits: the edit becomes one step
// of the undo history holding only the objects touched, the document is
// marked modified, and the views are told what changed.

#include "document/EditKinds.h"

#include <memory>
#include <vector>

class CEditStep;
class CScenewrightDoc;
class CSwObj;
class CSwScene;

class CProjectEdit {
public:
    CProjectEdit(CScenewrightDoc& doc, SwEdit kind);
    ~CProjectEdit();
    CProjectEdit(const CProjectEdit&) = delete;
    CProjectEdit& operator=(const CProjectEdit&) = delete;

    // Before the scene's cell list changes (cells added, removed, moved).
    void TouchCellList(CSwScene& scene);
    // Before one cell's fields or comment change.
    void TouchCell(CSwScene& scene, CSwObj& cell);
    // Before the scene's own fields change.
    void TouchScene(CSwScene& scene);
    // Before scenes are added, removed or relinked.
    void TouchTree();
    void TouchSettings();
    // Before the whole project is replaced (a recovery copy read in).
    void TouchProject();
    // The scene the views should show after a change of the tree.
    void SetShownScene(const CSwScene* scene) { m_shown = scene; }
    // Cells and scenes taken out of the project: the step keeps them for
    // undo, so that the very objects come back.
    void Park(std::unique_ptr<CSwObj> cell);
    void Park(std::unique_ptr<CSwScene> scene);
    // Two edits of one field in a row may become one step: `key` tells
    // which field (0: never merged).
    void SetMergeKey(int key) { m_mergeKey = key; }

    // Records what changed since the touches and tells the views; false
    // (and nothing recorded) when nothing changed.
    bool Commit();

private:
    struct Touched;
    Touched* FindCellList(const CSwScene& scene);

    CScenewrightDoc& m_doc;
    SwEdit m_kind;
    bool m_recording;
    bool m_committed = false;
    int m_mergeKey = 0;
    const CSwScene* m_shown = nullptr;
    std::vector<std::unique_ptr<Touched>> m_touched;
    std::vector<std::unique_ptr<CSwObj>> m_parkedCells;
    std::vector<std::unique_ptr<CSwScene>> m_parkedScenes;
};
