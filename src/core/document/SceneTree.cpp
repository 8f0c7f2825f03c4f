// The scene tree commands of the document: add, delete, cut loose, select.

#include "document/ProjectEdit.h"
#include "document/ScenewrightDoc.h"

#include <algorithm>

namespace {

std::int32_t KindOfInsertMode(int mode) {
    switch (mode) {
    case CScenewrightDoc::kNewTopLevel:
    case CScenewrightDoc::kChoiceAsParent:
    case CScenewrightDoc::kChoiceAsChild:
        return SwType::SceneChoice;
    case CScenewrightDoc::kBranchAsParent:
    case CScenewrightDoc::kBranchAsChild:
        return SwType::SceneBranch;
    case CScenewrightDoc::kImageMapAsParent:
    case CScenewrightDoc::kImageMapAsChild:
        return SwType::SceneImageMap;
    case CScenewrightDoc::kLinkAsChild:
        return SwType::SceneLink;
    }
    return 0;
}

bool IsParentMode(int mode) {
    return mode == CScenewrightDoc::kChoiceAsParent || mode == CScenewrightDoc::kBranchAsParent ||
           mode == CScenewrightDoc::kImageMapAsParent;
}

// Takes `scene` out of its sibling chain, keeping its parent's child link on
// the chain.
void UnlinkFromSiblings(CSwObj* scene) {
    if (scene->next)
        scene->next->prev = scene->prev;
    if (scene->prev)
        scene->prev->next = scene->next;
    else if (scene->parent && scene->parent->child == scene)
        scene->parent->child = scene->next;
    scene->prev = scene->next = nullptr;
}

} // namespace

bool CScenewrightDoc::CanAddChildTo(const CSwScene* scene) {
    return scene != nullptr && scene->type != SwType::SceneLink;
}

std::int32_t CScenewrightDoc::GetMaxSceneId() const {
    std::int32_t max = -1;
    for (const auto& scene : m_scenes)
        max = std::max(max, scene->id);
    return max;
}

CSwScene* CScenewrightDoc::GetFirstTopScene() const {
    for (const auto& scene : m_scenes) {
        if (!scene->parent)
            return static_cast<CSwScene*>(CSwObj::GetFirstSibling(scene.get()));
    }
    return nullptr;
}

CSwScene* CScenewrightDoc::GetLastChild(const CSwScene* parent) const {
    for (const auto& scene : m_scenes) {
        if (scene->parent == parent)
            return static_cast<CSwScene*>(CSwObj::GetLastSibling(scene.get()));
    }
    return nullptr;
}

CSwScene* CScenewrightDoc::AddScene(int mode) {
    const std::int32_t kind = KindOfInsertMode(mode);
    CSwScene* current = GetCurrentScene();
    if (kind == 0 || (mode != kNewTopLevel && !current))
        return nullptr;
    const bool asParent = IsParentMode(mode);
    if (mode != kNewTopLevel && !asParent && !CanAddChildTo(current))
        return nullptr;

    CProjectEdit edit(*this, SwEdit::AddScene);
    edit.TouchTree();
    auto made = std::make_unique<CSwScene>();
    CSwScene* scene = made.get();
    scene->type = kind;
    if (mode == kNewTopLevel) {
        if (CSwScene* last = GetLastChild(nullptr))
            last->AppendSibling(scene);
    } else if (asParent) {
        scene->parent = current->parent;
        scene->prev = current->prev;
        scene->next = current->next;
        if (scene->prev)
            scene->prev->next = scene;
        if (scene->next)
            scene->next->prev = scene;
        for (const auto& each : m_scenes) {
            if (each->child == current)
                each->child = scene;
        }
        scene->child = current;
        current->parent = scene;
        current->prev = current->next = nullptr;
    } else if (CSwScene* last = GetLastChild(current)) {
        last->AppendSibling(scene);
    } else {
        scene->parent = current;
        current->child = scene;
    }
    scene->x = scene->y = 0;
    scene->id = std::max(1, GetMaxSceneId() + 1);
    AdoptScene(std::move(made));
    m_lastAddedScene = scene;
    edit.SetShownScene(scene);
    edit.Commit();
    return scene;
}

bool CScenewrightDoc::DeleteScene(CSwScene* scene) {
    if (!scene)
        return false;
    CProjectEdit edit(*this, SwEdit::DeleteScene);
    edit.TouchTree();
    CSwObj* formerParent = scene->parent;
    CSwObj* formerFirstChild = CSwObj::GetFirstSibling(scene->child);
    CSwObj* formerPrev = scene->prev;
    CSwObj* formerNext = scene->next;

    CSwObj* firstTop = CSwObj::GetFirstSibling(CSwObj::GetTopmost(scene));
    for (CSwObj* child = formerFirstChild; child;) {
        CSwObj* following = child->next;
        child->prev = child->next = nullptr;
        child->parent = nullptr;
        firstTop->AppendSibling(child);
        child = following;
    }
    scene->child = nullptr;
    UnlinkFromSiblings(scene);

    for (std::size_t i = m_scenes.size(); i-- > 0;) {
        CSwScene* each = m_scenes[i].get();
        if (each == scene)
            continue;
        if (each->linkto == scene || (each->linkto && each->linkto->id == scene->id)) {
            each->linkto = nullptr;
            each->linkto_id = 0;
        }
    }
    ForgetReferencesTo(scene);
    const auto owned = std::find_if(m_scenes.begin(), m_scenes.end(),
                                    [scene](const auto& each) { return each.get() == scene; });
    edit.Park(std::move(*owned));
    m_scenes.erase(owned);

    CSwObj* next = formerParent       ? formerParent
                   : formerFirstChild ? formerFirstChild
                   : formerPrev       ? formerPrev
                                      : formerNext;
    SetCurrentSceneQuietly(next ? static_cast<CSwScene*>(next) : GetSceneAt(0));
    edit.Commit();
    Notify({SwChange::Selection});
    return true;
}

// The document's own references must not outlive the scene.
void CScenewrightDoc::ForgetReferencesTo(const CSwScene* scene) {
    if (m_lastAddedScene == scene)
        m_lastAddedScene = nullptr;
    if (m_buildingScene == scene)
        m_buildingScene = nullptr;
    if (m_currentScene == scene)
        SetCurrentSceneQuietly(nullptr);
    for (const auto& cell : scene->cells) {
        if (m_currentCell == cell.get())
            m_currentCell = nullptr;
    }
}

bool CScenewrightDoc::CutLink(CSwScene* scene) {
    if (!scene || !scene->parent)
        return false;
    CProjectEdit edit(*this, SwEdit::CutLink);
    edit.TouchTree();
    CSwObj* lastTop = CSwObj::GetLastSibling(CSwObj::GetTopmost(scene));
    CSwObj* replacement = scene->prev ? scene->prev : scene->next;
    for (const auto& each : m_scenes) {
        if (each->child == scene)
            each->child = replacement;
    }
    if (scene->next)
        scene->next->prev = scene->prev;
    if (scene->prev)
        scene->prev->next = scene->next;
    scene->parent = scene->prev = scene->next = nullptr;
    lastTop->AppendSibling(scene);
    SetCurrentSceneQuietly(scene);
    edit.Commit();
    Notify({SwChange::Selection});
    return true;
}

void CScenewrightDoc::DeleteAllScenes() {
    m_currentScene = m_lastAddedScene = m_buildingScene = nullptr;
    m_hasCurrentScene = false;
    m_currentCell = nullptr;
    m_scenes.clear();
}

void CScenewrightDoc::SelectScene(CSwScene* scene) {
    SetCurrentSceneQuietly(scene);
    Notify({SwChange::Selection});
}
