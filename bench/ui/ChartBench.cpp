// Times the scene chart's layout and one repaint of the whole chart for a
// project of 2,000 scenes and for one of 4,000, and prints the ratio: twice
// the scenes should cost about twice the time, not more.

#include "ui/ScenewrightView.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <time.h>

namespace {

constexpr int kRounds = 7;

double Seconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double Best(const std::function<void()>& work) {
    double best = 1e9;
    for (int i = 0; i < kRounds; ++i) {
        const double start = Seconds();
        work();
        best = std::min(best, Seconds() - start);
    }
    return best;
}

// Trees of 31 scenes (a root, three choices, nine branches, eighteen
// leaves), titled, with image maps and link scenes among them.
void MakeProject(CScenewrightDoc& doc, int scenes) {
    auto add = [&](CSwScene* parent, int mode) {
        doc.SetCurrentSceneQuietly(parent);
        CSwScene* scene = doc.AddScene(parent ? mode : CScenewrightDoc::kNewTopLevel);
        scene->title = "scene title " + std::to_string(scene->id);
        return scene;
    };
    while (doc.GetSceneCount() < scenes) {
        CSwScene* root = add(nullptr, 0);
        for (int i = 0; i < 3 && doc.GetSceneCount() < scenes; ++i) {
            CSwScene* choice = add(root, i == 1 ? CScenewrightDoc::kImageMapAsChild
                                                : CScenewrightDoc::kChoiceAsChild);
            for (int j = 0; j < 3 && doc.GetSceneCount() < scenes; ++j) {
                CSwScene* branch = add(choice, CScenewrightDoc::kBranchAsChild);
                for (int k = 0; k < 2 && doc.GetSceneCount() < scenes; ++k)
                    add(branch,
                        k ? CScenewrightDoc::kLinkAsChild : CScenewrightDoc::kChoiceAsChild);
            }
        }
    }
    doc.SetCurrentSceneQuietly(doc.GetSceneAt(0));
}

struct Timing {
    double layout;
    double paint;
};

Timing Measure(int scenes) {
    CScenewrightDoc doc;
    MakeProject(doc, scenes);
    CScenewrightView chart(doc);
    chart.LoadIcons("");
    const CChartLayout& layout = chart.Layout();
    const Timing timing{
        Best([&] { layout.Layout(doc); }),
        Best([&] {
            const CChartLayout::Size size = layout.ChartSize(doc, 1, 1);
            QImage image(1600, 1000, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            painter.scale(1600.0 / size.width, 1000.0 / size.height);
            chart.PaintChart(painter, QRect(0, 0, size.width, size.height));
        }),
    };
    std::printf("%5d scenes: layout %8.3f ms  full repaint %8.2f ms\n", scenes, timing.layout * 1e3,
                timing.paint * 1e3);
    return timing;
}

} // namespace

int main(int argc, char** argv) {
    // Drawing needs no screen; a machine without a display still runs it.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Timing small = Measure(2000);
    const Timing large = Measure(4000);
    std::printf("ratio for twice the scenes: layout %.2f  repaint %.2f (aim: at most 2.2)\n",
                large.layout / small.layout, large.paint / small.paint);
    return 0;
}
