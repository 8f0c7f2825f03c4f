// Edits, undo, redo, autosave and builds in the editor's main window, for
// bench/run.sh:
//   QT_QPA_PLATFORM=offscreen scenewright_edit_bench FILE [ROOT]
// Each edit is timed from the command until the window is idle again (its
// events handled, its views repainted); the figures are medians, printed
// as "NAME SECONDS". With ROOT, the project is also built twice into ROOT.

#include "document/CellCommands.h"
#include "document/SceneEdits.h"
#include "document/ScenewrightDoc.h"
#include "model/cells/SwCommand.h"
#include "platform/Cp932.h"
#include "ui/MainFrame.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

class QuietHost : public IDocumentHost {
public:
    void AddToRecentFiles(const std::string&) override {}
    Answer AskSaveChanges() override { return Answer::No; }
    bool ChooseProjectToOpen(std::string&) override { return false; }
    bool ChooseProjectToSave(std::string&) override { return false; }
    Answer AskYesNo(std::string_view, std::string_view) override { return Answer::No; }
    void ShowError(std::string_view message) override {
        std::fprintf(stderr, "error: %s\n", sw::cp932::ToUtf8ForDisplay(message).c_str());
    }
};

void Idle() {
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents(QEventLoop::AllEvents);
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// `work` repeated, each run timed until the window is idle.
double Timed(int rounds, const std::function<void(int)>& work) {
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        Idle();
        QElapsedTimer clock;
        clock.start();
        work(round);
        Idle();
        times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
    return Median(times);
}

// The longest time the event loop was kept from a 1 ms timer while `work`
// and what it left running went on, for `settle` milliseconds after it.
double LongestStall(const std::function<void()>& work, int settle) {
    QElapsedTimer sinceTick;
    double longest = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, static_cast<double>(sinceTick.nsecsElapsed()) / 1e9);
        sinceTick.restart();
    });
    ticker.start();
    sinceTick.start();
    QTimer::singleShot(0, work);
    QElapsedTimer total;
    total.start();
    while (total.elapsed() < settle)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return longest;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: scenewright_edit_bench FILE [ROOT]\n", stderr);
        return 64;
    }
    CScenewrightDoc doc;
    QuietHost host;
    CMainFrame frame(doc, host);
    frame.resize(1200, 800);
    frame.show();
    if (!frame.OpenPath(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    Idle();
    CSwScene* scene = doc.GetSceneAt(doc.GetSceneCount() / 2);
    while (scene->GetCellCount() == 0)
        scene = doc.GetSceneAt(doc.GetSceneCount() / 2 + 1);
    doc.SelectScene(scene);
    Idle();

    // SCENEWRIGHT_BENCH_ROUNDS raises the rounds, for profiling one kind.
    const char* roundsSetting = std::getenv("SCENEWRIGHT_BENCH_ROUNDS");
    const int rounds = roundsSetting ? std::max(1, std::atoi(roundsSetting)) : 21;
    const double cellEdit = Timed(rounds, [&](int round) {
        auto copy = sw::cells::CopyOfCell(*scene->GetCellAt(0));
        copy->comment = "edit " + std::to_string(round);
        auto* command = dynamic_cast<CSwCommand*>(copy.get());
        if (command && !command->Fields().empty() && command->Fields()[0].kind == FieldKind::Text)
            command->SetText(0, "text " + std::to_string(round));
        else if (command && !command->Fields().empty())
            command->SetInteger(0, round + 1);
        sw::cells::ReplaceCell(doc, *scene, 0, std::move(copy));
    });
    const double sceneEdit = Timed(rounds, [&](int round) {
        // Alternate fields so that each edit is a step of its own.
        sw::scenes::SetText(doc, *scene,
                            round % 2 ? sw::scenes::Text::Title : sw::scenes::Text::Hint,
                            "edit " + std::to_string(round));
    });
    // A child of another scene each time, as an author adds them.
    const double addScene = Timed(rounds, [&](int round) {
        doc.SetCurrentSceneQuietly(doc.GetSceneAt(doc.GetSceneCount() / 3 + round));
        doc.AddScene(CScenewrightDoc::kChoiceAsChild);
    });
    const double undo = Timed(rounds, [&](int) { doc.Undo(); });
    const double redo = Timed(rounds, [&](int) { doc.Redo(); });
    std::printf("cell_edit %.6f\nscene_edit %.6f\nadd_scene %.6f\nundo %.6f\nredo %.6f\n", cellEdit,
                sceneEdit, addScene, undo, redo);

    // The longest stalls of the window while a recovery copy is written,
    // the project saved, and opened again.
    const double autosave = LongestStall([&] { frame.Autosave(); }, 3000);
    std::printf("autosave_stall %.6f\n", autosave);
    const QString copy = QString::fromLocal8Bit(argv[1]) + QStringLiteral(".bench.swo");
    doc.SetPathName(copy.toStdString());
    const double save = LongestStall([&] { frame.FileSave(); }, 3000);
    std::printf("save_stall %.6f\n", save);
    const double open = LongestStall([&] { frame.OpenPath(copy); }, 4000);
    std::printf("open_stall %.6f\n", open);
    frame.WaitForFileJobs();
    QFile::remove(copy);
    scene = doc.GetSceneAt(doc.GetSceneCount() / 2);

    if (argc >= 3) {
        std::string root;
        sw::cp932::FromUtf8(argv[2], root);
        doc.GetSettings().root = root;
        for (const char* name : {"build_first", "build_second"}) {
            QElapsedTimer clock;
            clock.start();
            frame.Build();
            Idle();
            std::printf("%s %.6f\n", name, static_cast<double>(clock.nsecsElapsed()) / 1e9);
        }
    }
    return 0;
}
