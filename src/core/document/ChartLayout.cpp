#include "document/ChartLayout.h"

#include "document/ScenewrightDoc.h"
#include "platform/Cp932.h"

#include <algorithm>

namespace {

// One tree gathered by depth: every level in tree order, each scene with the
// slot of its parent. A scene reached twice in one layout ends the chain it
// was reached through, so a damaged link structure cannot loop.
struct GatheredTree {
    struct Node {
        CSwScene* scene;
        int parent;
    };
    struct Pending {
        CSwScene* scene;
        int parent;
        std::size_t depth;
    };
    std::vector<Node> nodes;
    std::vector<std::vector<int>> levels;
    std::vector<Pending> stack, children;

    void Gather(CSwScene* top, std::uint32_t pass) {
        nodes.clear();
        for (auto& level : levels)
            level.clear();
        stack.assign(1, {top, -1, 0});
        while (!stack.empty()) {
            const Pending at = stack.back();
            stack.pop_back();
            const int slot = static_cast<int>(nodes.size());
            nodes.push_back({at.scene, at.parent});
            if (levels.size() <= at.depth)
                levels.resize(at.depth + 1);
            levels[at.depth].push_back(slot);
            children.clear();
            for (CSwObj* child = at.scene->child; child && SwType::IsScene(child->type);
                 child = child->next) {
                auto* scene = static_cast<CSwScene*>(child);
                if (scene->layoutPass == pass)
                    break;
                scene->layoutPass = pass;
                children.push_back({scene, slot, at.depth + 1});
            }
            // Last to first, so that the first child comes off the stack first.
            stack.insert(stack.end(), children.rbegin(), children.rend());
        }
        while (!levels.empty() && levels.back().empty())
            levels.pop_back();
    }
};

// Each layout marks the scenes it reaches with a number of its own.
std::uint32_t NextLayoutPass() {
    static std::uint32_t pass = 0;
    return ++pass;
}

} // namespace

void CChartLayout::SetBoxSize(int width, int height) {
    m_boxWidth = width;
    m_boxHeight = height;
}

int CChartLayout::StepX() const {
    const int w = m_boxWidth;
    return (w - 73 < 1 ? 0 : w - 73) + (w < 100 ? 100 : w) + 5;
}

int CChartLayout::StepY() const {
    const int h = m_boxHeight;
    return (h < 50 ? 50 : h) + h + 12;
}

void CChartLayout::Layout(CScenewrightDoc& doc) const {
    const int gx = StepX();
    const int gy = StepY();
    int startX = kFirstTreeX;
    const std::uint32_t pass = NextLayoutPass();
    GatheredTree tree;
    std::vector<std::int64_t> childSum, childCount;
    for (CSwObj* each = doc.GetFirstTopScene(); each && SwType::IsScene(each->type);
         each = each->next) {
        auto* top = static_cast<CSwScene*>(each);
        if (top->layoutPass == pass)
            break;
        top->layoutPass = pass;
        tree.Gather(top, pass);
        // The children's x, summed as they are placed: the integer mean of
        // the child chain, over the children gathered.
        childSum.assign(tree.nodes.size(), 0);
        childCount.assign(tree.nodes.size(), 0);
        CSwScene::Region region{startX, gy, startX, gy};
        for (std::size_t level = tree.levels.size(); level-- > 0;) {
            int previousX = 0;
            bool first = true;
            for (const int slot : tree.levels[level]) {
                const auto index = static_cast<std::size_t>(slot);
                CSwScene* scene = tree.nodes[index].scene;
                int x;
                if (childCount[index] == 0) {
                    x = first ? startX : previousX + gx;
                } else {
                    const int mean = static_cast<int>(childSum[index] / childCount[index]);
                    x = first ? mean : std::max(mean, previousX + gx);
                }
                scene->x = x;
                scene->y = gy * static_cast<int>(level) + gy;
                region.left = std::min(region.left, x);
                region.right = std::max(region.right, x);
                region.bottom = std::max(region.bottom, scene->y);
                if (const int parent = tree.nodes[index].parent; parent >= 0) {
                    childSum[static_cast<std::size_t>(parent)] += x;
                    ++childCount[static_cast<std::size_t>(parent)];
                }
                previousX = x;
                first = false;
            }
        }
        top->region = region;
        startX = region.right + TreeGap() + 20 + m_boxWidth;
    }
}

CChartLayout::Size CChartLayout::ChartSize(const CScenewrightDoc& doc, int clientWidth,
                                           int clientHeight) const {
    int right = 0;
    int bottom = 0;
    for (const auto& scene : doc.GetScenes()) {
        right = std::max(right, scene->region.right);
        bottom = std::max(bottom, scene->region.bottom);
    }
    Size size{right + m_boxWidth + TreeGap() + 20, StepY() / 2 + m_boxHeight + bottom + 40};
    if (size.width == 0)
        size.width = clientWidth;
    if (size.height == 0)
        size.height = clientHeight;
    return size;
}

CSwScene* CChartLayout::SceneAt(const CScenewrightDoc& doc, int x, int y) const {
    for (const auto& scene : doc.GetScenes()) {
        const int dx = x - scene->x;
        const int dy = y - scene->y;
        if (dx >= 0 && dx <= m_boxWidth && dy >= 0 && dy <= m_boxHeight)
            return scene.get();
    }
    return nullptr;
}

ChartRect CChartLayout::TreeFrame(const CSwScene& top) const {
    const int gx = StepX();
    const int gy = StepY();
    return {top.region.left - gx / 2, top.region.top - gy / 2,
            top.region.right + m_boxWidth + gx / 2, top.region.bottom + m_boxHeight + gy / 2};
}

ChartRect CChartLayout::Box(const CSwScene& scene) const {
    return {scene.x, scene.y, scene.x + m_boxWidth, scene.y + m_boxHeight};
}

std::vector<std::string> CChartLayout::LabelLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size() && lines.size() < static_cast<std::size_t>(kMaxLabelLines)) {
        const std::size_t start = pos;
        // Whole characters, so a double-byte character that starts at the
        // 20th byte stays in its line.
        while (pos < text.size() && pos - start < kLabelLineBytes)
            pos += sw::cp932::CharLength(text, pos);
        lines.emplace_back(text.substr(start, pos - start));
    }
    return lines;
}
