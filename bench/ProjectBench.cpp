// One timed operation on a project per run, for bench/run.sh:
//   scenewright_project_bench generate DIR SCENES MEDIA_MIB
//   scenewright_project_bench open FILE
//   scenewright_project_bench save FILE OUT
//   scenewright_project_bench build FILE ROOT
//   scenewright_project_bench roundtrip FILE OUT1 OUT2
//   scenewright_project_bench preview FILE ROOT DIR
//   scenewright_project_bench generate-kag DIR LINES
//   scenewright_project_bench import-kag DIR OUT
//   scenewright_project_bench check FILE
// Each prints "seconds S" for the operation alone (the open before a save or
// a build is not counted) and "peak_rss_kib K" for the whole process. The
// preview starts at the middle cell of the last scene; a second preview of
// the unchanged project in the same process prints "second_seconds S".

#include "ProjectGenerator.h"

#include "document/KagImport.h"
#include "document/PlayFromHere.h"
#include "document/ProjectBuild.h"
#include "document/ProjectCheck.h"
#include "document/ScenewrightDoc.h"
#include "platform/Cp932.h"
#include "platform/Files.h"
#include "platform/TextOutput.h"
#include "scenario/ProjectBuilder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <time.h>

namespace {

double Seconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Errors of the log go to stderr, in UTF-8; the
// count of each kind to stdout.
class CLogCounts : public ILogSink {
public:
    void OnLogLine(SwLog kind, std::string_view line) override {
        int& count = kind == SwLog::Error     ? errors
                     : kind == SwLog::Warning ? warnings
                     : kind == SwLog::Ok      ? oks
                                              : plain;
        if (kind == SwLog::Error)
            std::fprintf(stderr, "%s\n", sw::cp932::ToUtf8ForDisplay(line).c_str());
        ++count;
    }
    void Print() const {
        std::printf("log_ok %d\nlog_warnings %d\nlog_errors %d\n", oks, warnings, errors);
    }
    int errors = 0, warnings = 0, oks = 0, plain = 0;
};

int Report(bool ok, double seconds) {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("seconds %.4f\npeak_rss_kib %ld\n", seconds, usage.ru_maxrss);
    return ok ? 0 : 1;
}

int Timed(const std::function<bool()>& work) {
    const double start = Seconds();
    const bool ok = work();
    return Report(ok, Seconds() - start);
}

bool Open(CScenewrightDoc& doc, const char* path) {
    if (doc.ReadProjectFile(path))
        return true;
    std::fprintf(stderr, "cannot open %s\n", path);
    return false;
}

// A hand-written KAG game of about `lines` scenario lines: first.ks with
// the macros, then chapters of 5,000 lines with labels every 40 lines,
// narration, @ lines, comments, choices, [if] blocks and scripts.
bool GenerateKagGame(const std::string& dir, int lines) {
    const int chapters = std::max(1, lines / 5000);
    const int perFile = lines / chapters;
    for (const char* folder : {"scenario", "bgimage", "bgm", "system"})
        sw::files::CreateDirectories(dir + "/" + folder);
    // A 1x1 PNG: the check decodes every picture a cell names.
    static const char kPixel[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x02\0\0\0"
                                 "\x90\x77\x53\xde\0\0\0\x0cIDAT\x78\x9c\x63\x50\x70\x48\0\0"
                                 "\x01\x44\0\xc1\x0b\x8d\x96\x42\0\0\0\0IEND\xae\x42\x60\x82";
    if (!sw::files::WriteFileAtomically(dir + "/bgimage/bg0.png",
                                        std::string_view(kPixel, sizeof kPixel - 1)) ||
        !sw::files::WriteFileAtomically(dir + "/bgm/theme.ogg", "ogg"))
        return false;
    for (int chapter = 0; chapter < chapters; ++chapter) {
        std::string text;
        int written = 0;
        auto line = [&](const std::string& one) {
            text += one + "\r\n";
            ++written;
        };
        if (chapter == 0) {
            line("[macro name=cl]");
            line("[cm][er]");
            line("[endmacro]");
        }
        for (int n = 0; written < perFile; ++n) {
            if (n % 40 == 0)
                line(sw::Format("*c%d_%d|第%d章 その%d", chapter, n / 40, chapter + 1, n / 40));
            switch (n % 10) {
            case 0:
                line("[image layer=base storage=\"bg0.png\" page=back]");
                break;
            case 1:
                line("; 場面の説明");
                break;
            case 2:
                line("@cl");
                break;
            case 3:
                line("[if exp=\"f.route == 1\"]選んだ道を進む。[l][r][endif]");
                break;
            case 4:
                line("[iscript]");
                line("f.count = +f.count + 1;");
                line("[endscript]");
                break;
            case 5:
                line("[link target=*c0_0]最初へ[endlink][r]");
                break;
            case 6:
                line("[playbgm storage=\"theme\"]");
                break;
            default:
                line("ソ表示の十字路で[[注]能力が抑えられた。[l][r]");
                break;
            }
        }
        const std::string name =
            chapter == 0 ? std::string("first.ks") : sw::Format("chapter%d.ks", chapter);
        if (!sw::files::WriteFileAtomically(dir + "/scenario/" + name, text))
            return false;
    }
    return true;
}

int Usage() {
    std::fputs("usage: scenewright_project_bench generate DIR SCENES MEDIA_MIB | open FILE |"
               " save FILE OUT | build FILE ROOT | roundtrip FILE OUT1 OUT2 |"
               " preview FILE ROOT DIR | generate-kag DIR LINES | import-kag DIR OUT |"
               " check FILE\n",
               stderr);
    return 64;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return Usage();
    const std::string command = argv[1];
    CScenewrightDoc doc;
    CLogCounts log;
    doc.AddLogSink(&log);
    if (command == "generate" && argc == 5) {
        GeneratedProjectSize size;
        size.scenes = std::atoi(argv[3]);
        size.mediaBytes = std::strtoull(argv[4], nullptr, 10) << 20;
        return Timed([&] { return GenerateProject(argv[2], size); });
    }
    if (command == "generate-kag" && argc == 4)
        return Timed([&] { return GenerateKagGame(argv[2], std::atoi(argv[3])); });
    if (command == "import-kag" && argc == 4) {
        KagImportOptions options;
        options.gameFolder = argv[2];
        KagImportReport report;
        std::string message;
        const int status = Timed([&] { return ImportKagGame(doc, options, report, message); });
        std::printf("scenes %d\nproblems %zu\n", report.scenes, report.problems.size());
        return doc.WriteProjectFile(argv[3]) ? status : 1;
    }
    if (command == "open" && argc == 3)
        return Timed([&] { return Open(doc, argv[2]); });
    if (!Open(doc, argv[2]))
        return 1;
    if (command == "save" && argc == 4)
        return Timed([&] { return doc.WriteProjectFile(argv[3]); });
    if (command == "build" && argc == 4) {
        doc.GetSettings().root = argv[3];
        const int status = Timed([&] { return BuildProject(doc); });
        log.Print();
        return status;
    }
    if (command == "preview" && argc == 5) {
        doc.GetSettings().root = argv[3];
        const CSwScene* scene = doc.GetSceneAt(doc.GetSceneCount() - 1);
        const PreviewPoint point{scene->id, scene->GetCellCount() / 2};
        PreviewCache cache;
        std::string refusal;
        const auto preview = [&] {
            return BuildPreview(doc, point, argv[4], refusal, &cache) == 1;
        };
        const int status = Timed(preview);
        const double start = Seconds();
        const bool again = preview();
        std::printf("second_seconds %.4f\n", Seconds() - start);
        if (!refusal.empty())
            std::fprintf(stderr, "%s\n", sw::cp932::ToUtf8ForDisplay(refusal).c_str());
        log.Print();
        return again ? status : 1;
    }
    if (command == "check" && argc == 3)
        return Timed([&] { return CheckProject(doc).size() < std::size_t{1} << 30; });
    if (command == "roundtrip" && argc == 5) {
        return Timed([&] {
            CScenewrightDoc again;
            std::string first, second;
            return doc.WriteProjectFile(argv[3]) && Open(again, argv[3]) &&
                   again.WriteProjectFile(argv[4]) && sw::files::ReadWholeFile(argv[3], first) &&
                   sw::files::ReadWholeFile(argv[4], second) && first == second;
        });
    }
    return Usage();
}
