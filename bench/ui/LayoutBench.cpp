// The chart layout of a project file, for bench/run.sh:
//   scenewright_layout_bench FILE
// prints "seconds S", the median of several layouts of every scene.

#include "document/ChartLayout.h"
#include "document/ScenewrightDoc.h"

#include <algorithm>
#include <cstdio>
#include <time.h>
#include <vector>

namespace {

double Seconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: scenewright_layout_bench FILE\n", stderr);
        return 64;
    }
    CScenewrightDoc doc;
    if (!doc.ReadProjectFile(argv[1])) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    const CChartLayout layout;
    std::vector<double> times;
    for (int i = 0; i < 15; ++i) {
        const double start = Seconds();
        layout.Layout(doc);
        times.push_back(Seconds() - start);
    }
    std::sort(times.begin(), times.end());
    std::printf("seconds %.6f\n", times[times.size() / 2]);
    return 0;
}
