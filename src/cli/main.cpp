// scenewright-cli: the headless front end for scripts and CI.

#include "document/KagImport.h"
#include "document/LogLine.h"
#include "document/PlayFromHere.h"
#include "document/ProjectBuild.h"
#include "document/ProjectCheck.h"
#include "document/Release.h"
#include "document/ScenewrightDoc.h"
#include "document/TextExport.h"
#include "model/cells/CommandCatalogue.h"
#include "model/cells/SwCharacter.h"
#include "platform/Cp932.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/TextOutput.h"
#include "platform/Versions.h"
#include "scenario/GameFolderSetup.h"
#include "scenario/ProjectBuilder.h"
#include "scenario/Xp3Archive.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

// Terminal text is UTF-8; the program's own texts are CP932.
void Print(std::FILE* stream, const std::string& cp932Line) {
    std::fprintf(stream, "%s\n", sw::cp932::ToUtf8ForDisplay(cp932Line).c_str());
}

// Prints the document's log as the editor's output view shows it.
class CTerminalLog : public ILogSink {
public:
    void OnLogLine(SwLog kind, std::string_view line) override {
        Print(kind == SwLog::Error || allToStderr ? stderr : stdout, std::string(line));
    }
    // Keeps stdout for output that programs read, such as JSON.
    bool allToStderr = false;
};

const char kUsage[] =
    "usage: scenewright-cli COMMAND ...\n"
    "\n"
    "commands:\n"
    "  check [--json] FILE.swo\n"
    "                        open a project, print a summary of it and the\n"
    "                        findings of the project check (with --json only\n"
    "                        the findings, as JSON); exits 1 on an error finding\n"
    "  resave IN.swo OUT.swo open a project and write it again\n"
    "  build FILE.swo [--root DIR] [--check] [--init-from TEMPLATE]\n"
    "                        build the project into its project folder (or DIR,\n"
    "                        which must hold the engine's system/config.tjs);\n"
    "                        exits with the build status when it is not 1;\n"
    "                        --check logs the check's findings first;\n"
    "                        --init-from first copies what the folder lacks of\n"
    "                        the engine's KAG3 template TEMPLATE (startup.tjs,\n"
    "                        system/), never overwriting a file\n"
    "  preview FILE.swo SCENE[:CELL] [--root DIR]\n"
    "                        write a game into DIR (else a folder below the\n"
    "                        user's cache folder, printed) that starts at the\n"
    "                        scene numbered SCENE, or at its cell CELL (counted\n"
    "                        from 0), with the pictures, music and variables\n"
    "                        the game has there; starts nothing and never\n"
    "                        writes to the project's own game folder\n"
    "  import FILE.swo SCENE TEXT [--out OUT.swo]\n"
    "                        append the cells of scenario text file TEXT to the\n"
    "                        scene numbered SCENE and save (to OUT when given)\n"
    "  import-kag GAME_DIR OUT.swo [--first FILE] [--root DIR]\n"
    "                        make a new project from the KAG game in GAME_DIR\n"
    "                        (scenario/first.ks first, or FILE), print what was\n"
    "                        made and what could not be read; GAME_DIR is only\n"
    "                        read. The game's files are copied into the\n"
    "                        project's own game folder, DIR or game/ beside\n"
    "                        OUT.swo, which the project then builds into\n"
    "  export-text FILE.swo OUT.tsv\n"
    "                        write every message and dialogue text as UTF-8 TSV\n"
    "  import-text FILE.swo IN.tsv [--out OUT.swo]\n"
    "                        take the edited texts of the TSV back and save (to\n"
    "                        OUT when given); rows whose key no longer names the\n"
    "                        same kind of cell are refused, and then it exits 1\n"
    "  release FILE.swo OUT_DIR [--engine PATH]\n"
    "                        build, then pack the game folder into\n"
    "                        OUT_DIR/data.xp3 (OUT_DIR is made when missing), read\n"
    "                        it back to check every file, and copy the engine\n"
    "                        (PATH: its executable or folder; else the folder set\n"
    "                        in the editor) and the plugins beside it\n"
    "  xp3 list ARCHIVE      list the files of an XP3 archive\n"
    "  xp3 extract ARCHIVE [DIR]\n"
    "                        write the files of an XP3 archive below DIR (the\n"
    "                        current folder when not given)\n"
    "  help, --help          print this text\n"
    "  --version             print the version and those of the libraries\n"
    "\n"
    "exit status:\n"
    "  0   done (build: status 1, built)\n"
    "  1   the project file could not be read or written (import: or the\n"
    "      text not imported; check: or an error finding; release: or the\n"
    "      release failed; xp3: the archive unreadable or a file not extracted;\n"
    "      preview: the game never reaches that scene or cell; import-kag: no\n"
    "      game to import, or a file of it not read whole)\n"
    "  2-7 build status (build, release, preview): 2 no project folder, 3 config.tjs unreadable,\n"
    "      4 an output file not writable, 5 a media copy failed,\n"
    "      6 a function of config.tjs not recognised, 7 a cell could not be built\n"
    "  64  wrong command line\n"
    "\n"
    "Texts are printed in UTF-8; project files stay in Shift_JIS (CP932).\n";

// Distinct from every build status.
constexpr int kUsageError = 64;

int Usage() {
    std::fputs(kUsage, stderr);
    return kUsageError;
}

bool ArgumentPath(const char* argument, std::string& path) {
    if (sw::cp932::FromUtf8(argument, path))
        return true;
    std::fprintf(stderr, "%s: %s\n", argument,
                 reinterpret_cast<const char*>(u8"このパスは Shift_JIS で表せません。"));
    return false;
}

// Opens `argument` into `doc`, with the reader's messages on the terminal.
bool OpenProject(CScenewrightDoc& doc, CTerminalLog& log, const char* argument) {
    std::string path;
    if (!ArgumentPath(argument, path))
        return false;
    doc.AddLogSink(&log);
    return doc.ReadProjectFile(path.c_str());
}

void PrintSummary(const CScenewrightDoc& doc) {
    std::map<std::string, int> cellsByName;
    int cellCount = 0;
    for (const auto& scene : doc.GetScenes()) {
        for (const auto& cell : scene->cells) {
            const CommandTypeInfo* info = FindCommandType(cell->type);
            const char* name = info && info->listName ? info->listName : "?";
            ++cellsByName[name];
            ++cellCount;
        }
    }
    std::printf("scenes: %d\n", doc.GetSceneCount());
    std::printf("cells: %d\n", cellCount);
    for (const auto& [name, count] : cellsByName)
        Print(stdout, "  " + name + ": " + std::to_string(count));
    const CSwSettings& settings = doc.GetSettings();
    std::printf("characters: %d\n", settings.GetCharacterCount());
    for (int i = 0; i < settings.GetCharacterCount(); ++i)
        Print(stdout, "  " + settings.GetCharacterAt(i)->FullName());
    Print(stdout, "project folder: " + settings.root);
}

int Check(const std::vector<const char*>& arguments) {
    const bool json = arguments.size() == 2 && std::string(arguments[0]) == "--json";
    if (arguments.size() != 1 && !json)
        return Usage();
    CScenewrightDoc doc;
    CTerminalLog log;
    log.allToStderr = json;
    if (!OpenProject(doc, log, arguments.back()))
        return 1;
    const std::vector<CheckFinding> findings = CheckProject(doc);
    if (json) {
        std::fputs(FindingsJson(findings).c_str(), stdout);
    } else {
        PrintSummary(doc);
        std::printf("findings: %zu\n", findings.size());
        for (const CheckFinding& finding : findings)
            Print(stdout, "  " + FindingLine(finding));
    }
    return HasErrorFinding(findings) ? 1 : 0;
}

bool SaveProjectTo(CScenewrightDoc& doc, const std::string& target) {
    if (doc.WriteProjectFile(target.c_str()))
        return true;
    Print(stderr, "error: " + target + " に書き込めませんでした。");
    return false;
}

// Commands that open the project IN and write one file OUT from it.
template <typename WriteOut>
int ProjectToFile(const std::vector<const char*>& arguments, WriteOut writeOut) {
    if (arguments.size() != 2)
        return Usage();
    CScenewrightDoc doc;
    CTerminalLog log;
    std::string target;
    if (!OpenProject(doc, log, arguments[0]) || !ArgumentPath(arguments[1], target))
        return 1;
    return writeOut(doc, target) ? 0 : 1;
}

int Resave(const std::vector<const char*>& arguments) {
    return ProjectToFile(arguments, SaveProjectTo);
}

int Build(const std::vector<const char*>& arguments) {
    if (arguments.empty())
        return Usage();
    const char* rootArgument = nullptr;
    const char* templateArgument = nullptr;
    bool checkFirst = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string flag = arguments[i];
        if (flag == "--check" && !checkFirst)
            checkFirst = true;
        else if (flag == "--root" && rootArgument == nullptr && i + 1 < arguments.size())
            rootArgument = arguments[++i];
        else if (flag == "--init-from" && templateArgument == nullptr && i + 1 < arguments.size())
            templateArgument = arguments[++i];
        else
            return Usage();
    }
    CScenewrightDoc doc;
    CTerminalLog log;
    if (!OpenProject(doc, log, arguments[0]))
        return 1;
    if (rootArgument != nullptr) {
        std::string root;
        if (!ArgumentPath(rootArgument, root))
            return 1;
        doc.GetSettings().root = root;
    }
    if (templateArgument != nullptr && !doc.GetProjectRoot().empty()) {
        std::string from;
        if (!ArgumentPath(templateArgument, from))
            return 1;
        SetUpGameFolder(doc, doc.GetProjectRoot(), from);
    }
    const bool built = BuildProject(doc, nullptr, checkFirst);
    const int status = doc.GetBuildStatus();
    std::printf("build status: %d\n", status);
    if (built && status == SwBuildStatus::Built)
        return 0;
    return status == SwBuildStatus::Built ? 1 : status;
}

int Preview(const std::vector<const char*>& arguments) {
    const bool withRoot = arguments.size() == 4 && std::string(arguments[2]) == "--root";
    PreviewPoint point;
    if ((arguments.size() != 2 && !withRoot) || !ParsePreviewPoint(arguments[1], point))
        return Usage();
    CScenewrightDoc doc;
    CTerminalLog log;
    std::string folder;
    if (!OpenProject(doc, log, arguments[0]) || (withRoot && !ArgumentPath(arguments[3], folder)))
        return 1;
    if (!withRoot)
        folder = DefaultPreviewFolder(doc);
    std::string refusal;
    const std::int32_t status = BuildPreview(doc, point, folder, refusal);
    if (status == SwBuildStatus::NotBuilt)
        return 1;
    std::printf("build status: %d\n", status);
    if (status != SwBuildStatus::Built)
        return status;
    Print(stdout, "preview: " + folder);
    return 0;
}

int Release(const std::vector<const char*>& arguments) {
    const bool withEngine = arguments.size() == 4 && std::string(arguments[2]) == "--engine";
    if (arguments.size() != 2 && !withEngine)
        return Usage();
    CScenewrightDoc doc;
    CTerminalLog log;
    std::string out, engine;
    if (!OpenProject(doc, log, arguments[0]) || !ArgumentPath(arguments[1], out) ||
        (withEngine && !ArgumentPath(arguments[3], engine)))
        return 1;
    return ReleaseProject(doc, out, engine);
}

int Xp3(const std::vector<const char*>& arguments) {
    const std::string action = arguments.empty() ? std::string() : arguments[0];
    const bool list = action == "list" && arguments.size() == 2;
    const bool extract = action == "extract" && (arguments.size() == 2 || arguments.size() == 3);
    if (!list && !extract)
        return Usage();
    std::string path, folder = ".", message;
    if (!ArgumentPath(arguments[1], path) ||
        (arguments.size() == 3 && !ArgumentPath(arguments[2], folder)))
        return 1;
    sw::xp3::CArchiveReader reader;
    if (!reader.Open(path, message)) {
        Print(stderr, "error: " + message);
        return 1;
    }
    const std::vector<sw::xp3::Entry>& entries = reader.Entries();
    if (list) {
        unsigned long long bytes = 0, stored = 0;
        std::printf("%12s %12s %-4s %-8s %s\n", "size", "stored", "kind", "adler32", "name");
        for (const sw::xp3::Entry& entry : entries) {
            const bool zlib = std::any_of(entry.segments.begin(), entry.segments.end(),
                                          [](const sw::xp3::Segment& s) { return s.compressed; });
            const std::string adler = entry.adler ? sw::Format("%08x", *entry.adler) : "-";
            std::printf("%12llu %12llu %-4s %-8s %s%s\n",
                        static_cast<unsigned long long>(entry.size),
                        static_cast<unsigned long long>(entry.storedSize), zlib ? "zlib" : "raw",
                        adler.c_str(), sw::xp3::Utf8Name(entry.name).c_str(),
                        entry.IsProtected() ? " (protected)" : "");
            bytes += entry.size;
            stored += entry.storedSize;
        }
        std::printf("files: %zu, bytes: %llu, stored: %llu\n", entries.size(), bytes, stored);
        return 0;
    }
    if (!sw::files::CreateDirectories(folder) || !sw::files::DirectoryExists(folder)) {
        Print(stderr, "error: " + folder + " を作れません。");
        return 1;
    }
    std::size_t failed = 0;
    for (const sw::xp3::Entry& entry : entries) {
        if (reader.Extract(entry, folder, message)) {
            std::printf("%s\n", sw::xp3::Utf8Name(entry.name).c_str());
        } else {
            Print(stderr, "error: " + message);
            ++failed;
        }
    }
    std::printf("extracted: %zu, failed: %zu\n", entries.size() - failed, failed);
    return failed == 0 ? 0 : 1;
}

void PrintAddedCells(const CSwScene& scene, int firstNewCell) {
    for (int index = firstNewCell; index < scene.GetCellCount(); ++index) {
        const CommandTypeInfo* info = FindCommandType(scene.GetCellAt(index)->type);
        Print(stdout, std::string("  + ") + (info && info->listName ? info->listName : "?"));
    }
}

int Import(const std::vector<const char*>& arguments) {
    const bool withOut = arguments.size() == 5 && std::string(arguments[3]) == "--out";
    if (arguments.size() != 3 && !withOut)
        return Usage();
    char* end = nullptr;
    const long sceneNumber = std::strtol(arguments[1], &end, 10);
    if (end == arguments[1] || *end != '\0')
        return Usage();
    CScenewrightDoc doc;
    CTerminalLog log;
    std::string textPath, target;
    if (!OpenProject(doc, log, arguments[0]) || !ArgumentPath(arguments[2], textPath) ||
        !ArgumentPath(withOut ? arguments[4] : arguments[0], target))
        return 1;
    CSwScene* scene = sceneNumber > 0 && sceneNumber <= INT32_MAX
                          ? doc.FindScene(static_cast<std::int32_t>(sceneNumber))
                          : nullptr;
    if (scene == nullptr) {
        Print(stderr, "error: シーン番号" + std::string(arguments[1]) + " のシーンはありません。");
        return 1;
    }
    doc.SetCurrentSceneQuietly(scene);
    const int cellsBefore = scene->GetCellCount();
    const int charactersBefore = doc.GetSettings().GetCharacterCount();
    if (!doc.ImportScenarioText(textPath.c_str()))
        return 1;
    PrintAddedCells(*scene, cellsBefore);
    const CSwSettings& settings = doc.GetSettings();
    for (int i = charactersBefore; i < settings.GetCharacterCount(); ++i)
        Print(stdout, "  + キャラクター " + settings.GetCharacterAt(i)->FullName());
    return SaveProjectTo(doc, target) ? 0 : 1;
}

int ImportKag(const std::vector<const char*>& arguments) {
    if (arguments.size() < 2 || arguments.size() % 2 != 0)
        return Usage();
    KagImportOptions options;
    std::string target;
    if (!ArgumentPath(arguments[0], options.gameFolder) || !ArgumentPath(arguments[1], target))
        return 1;
    for (std::size_t i = 2; i + 1 < arguments.size(); i += 2) {
        const std::string option = arguments[i];
        std::string& value = option == "--first"  ? options.firstFile
                             : option == "--root" ? options.buildFolder
                                                  : target;
        if (&value == &target || !value.empty())
            return Usage();
        if (!ArgumentPath(arguments[i + 1], value))
            return 1;
    }
    if (options.buildFolder.empty())
        options.buildFolder = sw::paths::Join(sw::paths::FolderOf(target), "game");
    CScenewrightDoc doc;
    KagImportReport report;
    std::string message;
    if (!ImportKagGame(doc, options, report, message)) {
        Print(stderr, "error: " + message);
        return 1;
    }
    for (const std::string& problem : report.problems)
        Print(stderr, "error: " + problem);
    for (const std::string& replaced : report.replacedCharacters)
        Print(stderr, "warning: " + replaced);
    for (const std::string& line : KagImportReportLines(report))
        Print(stdout, line);
    if (!SaveProjectTo(doc, target))
        return 1;
    return report.problems.empty() ? 0 : 1;
}

int ExportText(const std::vector<const char*>& arguments) {
    return ProjectToFile(arguments, [](CScenewrightDoc& doc, const std::string& target) {
        if (sw::files::WriteFileAtomically(target, ExportTexts(doc)))
            return true;
        Print(stderr, "error: " + target + " に書き込めませんでした。");
        return false;
    });
}

int ImportText(const std::vector<const char*>& arguments) {
    const bool withOut = arguments.size() == 4 && std::string(arguments[2]) == "--out";
    if (arguments.size() != 2 && !withOut)
        return Usage();
    CScenewrightDoc doc;
    CTerminalLog log;
    std::string tablePath, target, table;
    if (!OpenProject(doc, log, arguments[0]) || !ArgumentPath(arguments[1], tablePath) ||
        !ArgumentPath(withOut ? arguments[3] : arguments[0], target))
        return 1;
    sw::files::ReadProblem problem = sw::files::ReadProblem::None;
    if (!sw::files::ReadWholeFile(tablePath, table, sw::files::kTextFileLimit, &problem)) {
        Print(stderr, "error: " + (problem == sw::files::ReadProblem::Failed
                                       ? tablePath + " を読めませんでした。"
                                       : sw::files::ReadProblemMessage(problem, tablePath,
                                                                       sw::files::kTextFileLimit)));
        return 1;
    }
    const TextImportResult result = ImportTexts(doc, table);
    for (const std::string& refused : result.refused)
        Print(stderr, "error: " + refused);
    std::printf("changed: %d\n", result.changed);
    // Without a change the project file stays as it is, byte for byte.
    if ((withOut || result.changed > 0) && !SaveProjectTo(doc, target))
        return 1;
    return result.refused.empty() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    const std::vector<const char*> arguments(argv + 2, argv + argc);
    if (command == "check")
        return Check(arguments);
    if (command == "resave")
        return Resave(arguments);
    if (command == "build")
        return Build(arguments);
    if (command == "import")
        return Import(arguments);
    if (command == "release")
        return Release(arguments);
    if (command == "preview")
        return Preview(arguments);
    if (command == "xp3")
        return Xp3(arguments);
    if (command == "import-kag")
        return ImportKag(arguments);
    if (command == "export-text")
        return ExportText(arguments);
    if (command == "import-text")
        return ImportText(arguments);
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "--version" || command == "version") {
        std::printf("scenewright-cli %s\n%s", sw::versions::Program(),
                    sw::versions::Libraries().c_str());
        return 0;
    }
    return Usage();
}
