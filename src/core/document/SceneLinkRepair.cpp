#include "document/SceneLinkRepair.h"

#include "model/SwObj.h"

#include <set>
#include <unordered_map>

namespace {

// Each link must be answered by its counterpart, and siblings share a parent.
void CutUnansweredLinks(const std::vector<CSwObj*>& scenes, std::set<std::int32_t>& cutIds) {
    for (CSwObj* scene : scenes) {
        if (scene->next && (scene->next->prev != scene || scene->next->parent != scene->parent)) {
            if (scene->next->prev == scene)
                scene->next->prev = nullptr;
            scene->next = nullptr;
            cutIds.insert(scene->id);
        }
        if (scene->prev && scene->prev->next != scene) {
            scene->prev = nullptr;
            cutIds.insert(scene->id);
        }
        if (scene->child && scene->child->parent != scene) {
            scene->child = nullptr;
            cutIds.insert(scene->id);
        }
    }
}

enum class Mark { Unvisited, OnWalk, Done };

// Walks `link` from every scene; where a walk meets itself, `breakLoop` cuts
// the link that closes the loop.
template <typename Link, typename Break>
void BreakLoops(const std::vector<CSwObj*>& scenes, Link link, Break breakLoop,
                std::set<std::int32_t>& cutIds) {
    std::unordered_map<const CSwObj*, Mark> marks;
    for (CSwObj* start : scenes) {
        std::vector<CSwObj*> walk;
        for (CSwObj* at = start; at && marks[at] == Mark::Unvisited; at = link(at)) {
            marks[at] = Mark::OnWalk;
            walk.push_back(at);
            if (CSwObj* ahead = link(at); ahead && marks[ahead] == Mark::OnWalk) {
                cutIds.insert(at->id);
                breakLoop(at);
                break;
            }
        }
        for (CSwObj* visited : walk)
            marks[visited] = Mark::Done;
    }
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

std::vector<std::int32_t> RepairSceneLinks(const std::vector<CSwObj*>& scenes) {
    std::set<std::int32_t> cutIds;
    CutUnansweredLinks(scenes, cutIds);
    BreakLoops(
        scenes, [](CSwObj* s) { return s->prev; },
        [](CSwObj* s) {
            if (s->prev->next == s)
                s->prev->next = nullptr;
            s->prev = nullptr;
        },
        cutIds);
    BreakLoops(
        scenes, [](CSwObj* s) { return s->parent; }, DetachSiblingChainFromParent, cutIds);
    return std::vector<std::int32_t>(cutIds.begin(), cutIds.end());
}
