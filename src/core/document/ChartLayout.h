#pragma once

// The scene chart's geometry without any drawing: where each scene's box
// stands, the region of every tree, the chart's size, hit testing and the
// breaking of labels. The positions live in the scenes' chart fields.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CScenewrightDoc;
class CSwScene;

struct ChartRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const ChartRect&) const = default;
};

class CChartLayout {
public:
    static constexpr int kFirstTreeX = 160;
    static constexpr int kDefaultBoxWidth = 64;
    static constexpr int kDefaultBoxHeight = 24;
    static constexpr int kLabelLineBytes = 20;
    static constexpr int kMaxLabelLines = 5;

    // The box size is that of the first icon; boxes of 64 by 24 until then.
    void SetBoxSize(int width, int height);
    int BoxWidth() const { return m_boxWidth; }
    int BoxHeight() const { return m_boxHeight; }
    // Horizontal and vertical steps between boxes.
    int StepX() const;
    int StepY() const;
    // The room between trees beside the box width: the largest even number
    // not above the horizontal step.
    int TreeGap() const { return StepX() & ~1; }

    // Places every tree of the top-level chain side by side, the scenes of
    // each level from the deepest up, parents over their children: it sets
    // the scenes' chart positions, which follow from the tree alone and are
    // never an edit of their own.
    void Layout(CScenewrightDoc& doc) const;

    struct Size {
        int width = 0, height = 0;
    };
    // The scroll range; a side of 0 becomes the client's.
    Size ChartSize(const CScenewrightDoc& doc, int clientWidth, int clientHeight) const;

    // The first scene in scene-array order whose box holds the chart point,
    // edges included; null for empty space.
    CSwScene* SceneAt(const CScenewrightDoc& doc, int x, int y) const;

    // A top-level scene's region widened to the frame drawn around its tree.
    ChartRect TreeFrame(const CSwScene& top) const;
    ChartRect Box(const CSwScene& scene) const;

    // A CP932 label in lines of 20 bytes, or 21 where a double-byte
    // character starts at the 20th; at most five lines, the rest dropped.
    static std::vector<std::string> LabelLines(std::string_view text);

private:
    int m_boxWidth = kDefaultBoxWidth;
    int m_boxHeight = kDefaultBoxHeight;
};
