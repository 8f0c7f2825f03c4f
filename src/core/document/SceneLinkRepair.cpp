#include "document/SceneLinkRepair.h"

#include "model/SwObj.h"

#include <unordered_map>

namespace {

// Each link must be answered by its counterpart, and siblings share a parent.
bool CutUnansweredLinks(const std::vector<CSwObj*>& scenes) {
    bool cut = false;
    for (CSwObj* scene : scenes) {
        if (scene->next && (scene->next->prev != scene || scene->next->parent != scene->parent)) {
            if (scene->next->prev == scene)
                scene->next->prev = nullptr;
            scene->next = nullptr;
            cut = true;
        }
        if (scene->prev && scene->prev->next != scene) {
            scene->prev = nullptr;
            cut = true;
        }
        if (scene->child && scene->child->parent != scene) {
            scene->child = nullptr;
            cut = true;
        }
    }
    return cut;
}

enum class Mark { Unvisited, OnWalk, Done };

// Walks `link` from every scene; where a walk meets itself, `breakLoop` cuts
// the link that closes the loop.
template <typename Link, typename Break>
bool BreakLoops(const std::vector<CSwObj*>& scenes, Link link, Break breakLoop) {
    std::unordered_map<const CSwObj*, Mark> marks;
    bool cut = false;
    for (CSwObj* start : scenes) {
        std::vector<CSwObj*> walk;
        for (CSwObj* at = start; at && marks[at] == Mark::Unvisited; at = link(at)) {
            marks[at] = Mark::OnWalk;
            walk.push_back(at);
            if (CSwObj* ahead = link(at); ahead && marks[ahead] == Mark::OnWalk) {
                breakLoop(at);
                cut = true;
                break;
            }
        }
        for (CSwObj* visited : walk)
            marks[visited] = Mark::Done;
    }
    return cut;
}

void DetachSiblingChainFromParent(CSwObj* member) {
    CSwObj* parent = member->parent;
    for (CSwObj* s = CSwObj::GetFirstSibling(member); s; s = s->next) {
        if (parent && parent->child == s)
            parent->child = nullptr;
        s->parent = nullptr;
    }
}

} // namespace

bool RepairSceneLinks(const std::vector<CSwObj*>& scenes) {
    bool cut = CutUnansweredLinks(scenes);
    cut |= BreakLoops(scenes, [](CSwObj* s) { return s->prev; }, [](CSwObj* s) {
        if (s->prev->next == s)
            s->prev->next = nullptr;
        s->prev = nullptr;
    });
    cut |= BreakLoops(scenes, [](CSwObj* s) { return s->parent; }, DetachSiblingChainFromParent);
    return cut;
}
