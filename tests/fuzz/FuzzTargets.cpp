#include "fuzz/FuzzTargets.h"

#include "document/CellCommands.h"
#include "document/ChartLayout.h"
#include "document/KagImport.h"
#include "document/ProjectBuild.h"
#include "document/ProjectCheck.h"
#include "document/ScenarioImport.h"
#include "document/ScenewrightDoc.h"
#include "document/TextExport.h"
#include "fuzz/Mutator.h"
#include "imaging/Decoders.h"
#include "imaging/PictureFixtures.h"
#include "model/cells/CommandCatalogue.h"
#include "model/cells/CreateObject.h"
#include "model/cells/SwCharacter.h"
#include "model/cells/SwDialogue.h"
#include "model/cells/SwMessage.h"
#include "platform/Cp932.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/TextOutput.h"
#include "scenario/EngineConfigPatcher.h"
#include "scenario/ProjectBuilder.h"
#include "scenario/Xp3Archive.h"
#include "support/KagRoundTrip.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

std::map<std::string, long>& Stages() {
    static std::map<std::string, long> stages;
    return stages;
}

void CountStage(const char* stage) {
    ++Stages()[stage];
}

long StagesCounted() {
    long total = 0;
    for (const auto& [stage, count] : Stages())
        total += count;
    return total;
}

std::string StageSummary(long inputs) {
    std::string summary;
    for (const auto& [stage, count] : Stages())
        summary += sw::Format("; %s %ld (%.1f%%)", stage.c_str(), count,
                              inputs > 0 ? 100.0 * static_cast<double>(count) / inputs : 0.0);
    return summary;
}

namespace {

std::vector<std::string> NoTokens(const std::vector<std::string>&) {
    return {};
}

const char kMinimalConfig[] = "function KAGWindow_config()\n{\n;scWidth = 640;\n}\n";

// Read; on success check, lay out, save twice (the second save of a file this
// program wrote must give the same bytes) and build.
std::string RunProject(std::string_view input, const TempFolder& scratch) {
    const std::string path = scratch.Write("fuzz.swo", input);
    CScenewrightDoc doc;
    if (!doc.ReadProjectFile(path.c_str()))
        return doc.GetSceneCount() == 0 ? "" : "a refused file left scenes behind";
    CountStage("opened");
    CheckProject(doc);
    CChartLayout().Layout(doc);

    const std::string first = scratch.File("first.swo");
    const std::string second = scratch.File("second.swo");
    if (!doc.WriteProjectFile(first.c_str()))
        return "the project read could not be saved";
    CScenewrightDoc reread;
    if (!reread.ReadProjectFile(first.c_str()))
        return "a saved project could not be read";
    if (!reread.WriteProjectFile(second.c_str()))
        return "a reread project could not be saved";
    if (ReadFileOrEmpty(first) != ReadFileOrEmpty(second))
        return "saving a saved project changed it";

    scratch.Write("game/system/config.tjs", kMinimalConfig);
    reread.GetSettings().root = scratch.File("game");
    const bool built = BuildProject(reread);
    if (built != (reread.GetBuildStatus() == SwBuildStatus::Built))
        return "the build result disagrees with its status";
    if (built)
        CountStage("built");
    return "";
}

// The media a cell of `type` names, from the sample's media folder, which
// the runner copies into the scratch folder.
const char* MediaOf(std::int32_t type) {
    switch (type) {
    case SwType::BgmPlay:
        return "./media/theme.wav";
    case SwType::SePlay:
        return "./media/chime.wav";
    case SwType::Dialogue:
        return "./media/voice01.wav";
    case SwType::Plugin:
        return "./media/placeholder_plugin.dll";
    case SwType::Particle:
        return "./media/snow";
    case SwType::Transition:
        return "./media/wipe.png";
    default:
        return "./media/sky.png";
    }
}

void MakeSmallProject(CScenewrightDoc& doc);

// A small project, and one of every cell type (media that resolve, the
// particle cell's class named) under a choice with a link, a branch and
// an image map below it.
std::vector<std::string> ProjectSeeds() {
    std::vector<std::string> seeds;
    {
        CScenewrightDoc doc;
        MakeSmallProject(doc);
        seeds.push_back(doc.ProjectText());
    }
    CScenewrightDoc doc;
    std::int32_t id = 1;
    CSwScene* top = nullptr;
    for (const std::int32_t kind :
         {SwType::SceneChoice, SwType::SceneLink, SwType::SceneBranch, SwType::SceneImageMap}) {
        auto scene = std::make_unique<CSwScene>();
        scene->type = kind;
        scene->id = id++;
        scene->title = "場面";
        if (kind == SwType::SceneImageMap)
            scene->mapimage = "./media/town.png";
        CSwScene* added = doc.AdoptScene(std::move(scene));
        if (top == nullptr) {
            top = added;
            continue;
        }
        added->parent = top;
        if (top->child)
            top->child->AppendSibling(added);
        else
            top->child = added;
    }
    for (const CommandTypeInfo& info : CommandCatalogue()) {
        const std::int32_t type = info.type;
        std::unique_ptr<CSwObj> object = type != SwType::Character ? CreateObject(type) : nullptr;
        auto* cell = dynamic_cast<CSwCommand*>(object.get());
        if (cell == nullptr)
            continue;
        const auto fields = cell->Fields();
        for (std::size_t slot = 0; slot < fields.size(); ++slot) {
            const std::string_view key = fields[slot].key;
            if (fields[slot].kind == FieldKind::FilePath)
                cell->SetText(slot, MediaOf(type));
            else if (fields[slot].kind == FieldKind::Text && key.ends_with("layer"))
                cell->SetText(slot, "base");
        }
        if (type == SwType::RightClick)
            cell->SetInteger(cell->SlotOf("callto_id"), 2);
        if (type == SwType::Particle) {
            cell->SetText(cell->SlotOf("classname"), "snow");
            cell->SetInteger(cell->SlotOf("count"), 4);
        }
        top->AddCell(std::move(object));
    }
    seeds.push_back(doc.ProjectText());
    return seeds;
}

std::vector<std::string> ProjectTokens(const std::vector<std::string>& seeds) {
    std::vector<std::string> tokens = TagsOf(seeds);
    for (const char* token : {"<SwObject>", "</SwObject>", "<type>11</type>", "<type>13</type>",
                              "<type>125</type>", "<type>113</type>", "&amp;", "&#0;", "&#x80;",
                              "<![CDATA[", "]]>", "\"", "<!--", "-->", "\x82\xA0"})
        tokens.push_back(token);
    return tokens;
}

std::vector<std::string> ScenarioSeeds() {
    return {"太郎「おはよう」\n花子（小声）「うん」\nＳＥ／ドア\n地の文です。\n\n次の段落。\n",
            "\xEF\xBB\xBF\xE5\xA4\xAA\xE9\x83\x8E\xE3\x80\x8C\xE3\x81\x82\xE3\x80\x8D\r\n",
            "○ＳＥ爆発\r\n太郎(NA) 昔々\r\nHello world\r"};
}

std::vector<std::string> ScenarioTokens(const std::vector<std::string>&) {
    return {"「", "」",           "（",   "）",       "(", ")", "ＳＥ／", "SE/", "○",  "\r\n", "\n",
            "\r", "\xEF\xBB\xBF", "\x81", "\xE3\x81", "[", "*", "@",      ";",   "\t", "　"};
}

// Read the lines, import them into a scene and build that scene.
std::string RunScenario(std::string_view input, const TempFolder& scratch) {
    std::vector<std::string> lines;
    std::string message;
    if (ReadScenarioLines("fuzz.txt", input, lines, message)) {
        // Only the last line may lack its line end, when the file does.
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].empty() || !sw::cp932::IsValid(lines[i]) ||
                (i + 1 < lines.size() && !lines[i].ends_with('\n')))
                return "a line read is not a CP932 line";
        }
    } else if (!lines.empty() || message.empty()) {
        return "a refused text left lines or no message";
    }
    CScenewrightDoc doc;
    auto scene = std::make_unique<CSwScene>();
    scene->id = 1;
    doc.SetCurrentSceneQuietly(doc.AdoptScene(std::move(scene)));
    const std::string path = scratch.Write("fuzz.txt", input);
    if (doc.ImportScenarioText(path.c_str()) != message.empty())
        return "the import and the line reader disagree";
    if (message.empty())
        CountStage("imported");
    CStringOutput out;
    doc.GetSettings().root = scratch.File("game");
    BuildSceneSubtree(&out, doc.GetSceneAt(0), doc);
    return "";
}

std::vector<std::string> KagSeeds() {
    return {
        "; 試験\r\n[call storage=sub.ks]\r\n*start|始まり\r\n[backlay]\r\n"
        "[trans layer=0 time=300 method=crossfade]\r\n[wt]\r\nソ表[[注]。[l][r]\r\n"
        "[macro name=m]\r\n[p]\r\n[endmacro]\r\n[iscript]\r\nf.a = \"]\";\r\n"
        "[endscript]\r\n@jump storage=sub.ks target=*s\r\n[link target=*start]戻る[endlink]\r\n",
        "\xFF\xFE*\0a\0\r\0\n\0=\xD8\x00\xDE[\0p\0]\0",
        "\xEF\xBB\xBF*a\n\xF0\x9F\x98\x80[eval exp=\"'\xED\x95\x9C'\"]\n"};
}

std::vector<std::string> KagTokens(const std::vector<std::string>&) {
    return {"[",
            "]",
            "[[",
            "*",
            "|",
            "@",
            ";",
            "\t",
            "\r\n",
            "\"",
            "'",
            "`",
            "=",
            "&",
            "%",
            "[iscript]\r\n",
            "[endscript]\r\n",
            "[macro name=x]\r\n",
            "[endmacro]\r\n",
            "storage=sub.ks",
            "storage=first",
            "target=*start",
            "target=*s",
            "[jump ",
            "[s]",
            "\x83",
            "\xFF\xFE",
            "\xEF\xBB\xBF"};
}

// The input as scenario/first.ks beside a fixed sub.ks: the import never
// fails, resaves byte for byte, and where it read every line its build
// gives the game's tags and text back.
std::string RunKag(std::string_view input, const TempFolder& scratch) {
    scratch.Write("game/scenario/first.ks", input);
    scratch.Write("game/scenario/sub.ks", "*s|副\r\n*start\r\n[return]\r\n");
    CScenewrightDoc doc;
    KagImportOptions options;
    options.gameFolder = scratch.File("game");
    KagImportReport report;
    std::string message;
    if (!ImportKagGame(doc, options, report, message))
        return "the import refused a game with a first.ks: " + message;
    const std::string first = scratch.File("a.swo"), second = scratch.File("b.swo");
    CScenewrightDoc reread;
    if (!doc.WriteProjectFile(first.c_str()) || !reread.ReadProjectFile(first.c_str()) ||
        !reread.WriteProjectFile(second.c_str()))
        return "the imported project did not save and reopen";
    if (ReadFileOrEmpty(first) != ReadFileOrEmpty(second))
        return "the imported project changed on its second save";
    CStringOutput built;
    WriteCharacterBlock(built, doc.GetSettings());
    for (CSwObj* top = doc.GetFirstTopScene(); top; top = top->next)
        BuildSceneSubtree(&built, top, doc);
    if (!report.problems.empty() || !report.replacedCharacters.empty())
        return "";
    CountStage("read whole");
    if (BuiltTokens(built.Text(), doc) != ExpectedTokens(scratch.File("game"), report))
        return "the build does not give the game back";
    return "";
}

std::vector<std::string> ConfigSeeds() {
    return {kMinimalConfig};
}

std::vector<std::string> ConfigTokens(const std::vector<std::string>&) {
    std::vector<std::string> tokens = {"function ",
                                       "KAGWindow_config()",
                                       "KAGLoadScript_config()",
                                       "{",
                                       "}",
                                       ";",
                                       "//",
                                       "/*",
                                       "*/",
                                       "\"",
                                       "'",
                                       "\\",
                                       "scWidth = ",
                                       "System.title = ",
                                       "saveDataID = ",
                                       "\n",
                                       "\r\n",
                                       "(",
                                       ")",
                                       "\r",
                                       ";type = ",
                                       "BGM_config",
                                       "function(",
                                       "\x83\x7D",
                                       "\x83\x5C",
                                       "\x83"};
    tokens.push_back(std::string(1, '\0'));
    return tokens;
}

std::string RunConfig(std::string_view input, const TempFolder& scratch) {
    CScenewrightDoc doc;
    doc.SetBuildStatus(SwBuildStatus::Built);
    const std::string source = scratch.Write("config.tjs", input);
    const std::string target = scratch.File("config.tmp");
    sw::files::RemoveFile(target);
    if (PatchEngineConfig(&doc, source, target)) {
        CountStage("patched");
        if (!sw::files::FileExists(target) || doc.GetBuildStatus() != SwBuildStatus::Built)
            return "a patch reported done wrote nothing or changed the status";
        // The next build patches this build's output: it must change nothing.
        const std::string again = scratch.File("config.again");
        if (!PatchEngineConfig(&doc, target, again))
            return "a patched file could not be patched again";
        return ReadFileOrEmpty(again) == ReadFileOrEmpty(target)
                   ? ""
                   : "patching a patched file changed it";
    }
    if (doc.GetPendingMessage().empty() || doc.GetBuildStatus() == SwBuildStatus::Built)
        return "a failed patch gave no message or kept the built status";
    return "";
}

std::string Consistency(const std::optional<SwDib>& dib) {
    if (!dib)
        return "";
    CountStage("decoded");
    const std::int64_t pixels = std::int64_t{dib->Width()} * dib->Height();
    if (dib->Width() < 1 || dib->Height() < 1 || pixels > sw::imaging::kMaxPicturePixels)
        return "a picture of impossible size";
    if (dib->pixels.size() != static_cast<std::size_t>(dib->Stride()) * dib->Height() ||
        dib->header.sizeImage != dib->pixels.size())
        return "pixel buffer and header disagree";
    if (dib->palette.size() != (dib->BitCount() <= 8 ? dib->header.clrUsed : 0u) ||
        !dib->PaletteIndicesInRange())
        return "palette and pixels disagree";
    return "";
}

// Every depth and compression the decoder takes.
std::vector<std::string> BmpSeeds() {
    std::vector<std::string> seeds = {
        MakeBmp({.width = 3, .height = 2, .pixels = std::string(24, '\x40')}),
        MakeBmp({.width = 4,
                 .height = -2,
                 .bitCount = 8,
                 .clrUsed = 2,
                 .palette = {0xFF0000, 0x00FF00},
                 .pixels = std::string(8, '\x01')}),
        MakeBmp({.width = 4,
                 .height = 2,
                 .bitCount = 8,
                 .compression = 1,
                 .clrUsed = 2,
                 .palette = {0, 0xFFFFFF},
                 .pixels = std::string("\x04\x01\x00\x00\x02\x00\x00\x01", 8)}),
        MakeBmp({.width = 2,
                 .height = 2,
                 .bitCount = 16,
                 .compression = 3,
                 .masks = {0xF800, 0x07E0, 0x001F},
                 .pixels = std::string(8, '\x5A')}),
        MakeBmp({.width = 9,
                 .height = 2,
                 .bitCount = 1,
                 .clrUsed = 2,
                 .palette = {0, 0xFFFFFF},
                 .pixels = std::string("\xAA\x80\0\0\x55\0\0\0", 8)}),
        MakeBmp({.width = 3,
                 .height = 2,
                 .bitCount = 4,
                 .clrUsed = 16,
                 .palette = std::vector<std::uint32_t>(16, 0x336699),
                 .pixels = std::string("\x12\x30\0\0\x45\x60\0\0", 8)}),
        MakeBmp({.width = 4,
                 .height = 2,
                 .bitCount = 4,
                 .compression = 2,
                 .clrUsed = 16,
                 .palette = std::vector<std::uint32_t>(16, 0x996633),
                 .pixels = std::string("\x04\x12\x00\x00\x04\x34\x00\x01", 8)}),
        MakeBmp({.width = 2, .height = 2, .bitCount = 16, .pixels = std::string(8, '\x1F')}),
        MakeBmp({.width = 2, .height = 2, .bitCount = 32, .pixels = std::string(16, '\x7F')}),
        MakeBmp({.width = 2,
                 .height = -2,
                 .bitCount = 32,
                 .compression = 3,
                 .masks = {0xFF0000, 0xFF00, 0xFF},
                 .pixels = std::string(16, '\x33')}),
    };
    return seeds;
}

std::vector<std::string> PngSeeds() {
    std::string gradient;
    for (int i = 0; i < 16 * 16 * 8; ++i)
        gradient += static_cast<char>(i);
    std::vector<std::string> seeds = {
        MakePng({.width = 16, .height = 16, .rows = gradient.substr(0, 16 * 16 * 3)}),
        MakePng({.width = 8,
                 .height = 8,
                 .colourType = 6,
                 .interlaced = true,
                 .rows = gradient.substr(0, 256)}),
        MakePng({.width = 16,
                 .height = 4,
                 .colourType = 3,
                 .bitDepth = 4,
                 .palette = {0, 0xFF, 0xFF00, 0xFF0000},
                 .paletteAlpha = {0x80},
                 .rows = std::string(32, '\x12')}),
        MakePng({.width = 5,
                 .height = 3,
                 .colourType = 0,
                 .bitDepth = 16,
                 .gamma = 0.45,
                 .rows = std::string(30, '\x7F')}),
    };
    // Grey in every depth, palettes of 1, 2 and 8 bits, grey with alpha,
    // and 16-bit colour with and without alpha.
    for (const int depth : {1, 2, 4, 8})
        seeds.push_back(MakePng({.width = 8,
                                 .height = 4,
                                 .colourType = 0,
                                 .bitDepth = depth,
                                 .rows = gradient.substr(0, static_cast<std::size_t>(depth) * 4)}));
    for (const int depth : {1, 2, 8})
        seeds.push_back(
            MakePng({.width = 8,
                     .height = 2,
                     .colourType = 3,
                     .bitDepth = depth,
                     .palette = {0x102030, 0x405060},
                     .rows = std::string(static_cast<std::size_t>(depth) * 2, '\x01')}));
    for (const int depth : {8, 16}) {
        const std::size_t bytes = static_cast<std::size_t>(depth / 8);
        seeds.push_back(MakePng({.width = 4,
                                 .height = 4,
                                 .colourType = 4,
                                 .bitDepth = depth,
                                 .rows = gradient.substr(0, 4 * 4 * 2 * bytes)}));
    }
    seeds.push_back(MakePng({.width = 4,
                             .height = 4,
                             .colourType = 2,
                             .bitDepth = 16,
                             .rows = gradient.substr(0, 96)}));
    seeds.push_back(MakePng({.width = 4,
                             .height = 4,
                             .colourType = 6,
                             .bitDepth = 16,
                             .interlaced = true,
                             .rows = gradient.substr(0, 128)}));
    return seeds;
}

std::vector<std::string> JpegSeeds() {
    std::string gradient;
    for (int i = 0; i < 16 * 16 * 3; ++i)
        gradient += static_cast<char>(i * 7);
    return {MakeJpeg(16, 16, 3, gradient), MakeJpeg(16, 16, 3, gradient, true),
            MakeJpeg(8, 8, 1, gradient.substr(0, 64)),
            // Subsampled colour, as cameras and editors write it.
            EncodeJpeg(16, 16, 3, 2, gradient)};
}

std::string RunBmp(std::string_view input, const TempFolder&) {
    return Consistency(sw::imaging::DecodeBmpData(input));
}
std::uint32_t Crc32(std::string_view bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

// Every whole chunk after the signature gets its right checksum.
void MendPngChecksums(std::string& png) {
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        std::uint32_t length = 0;
        for (std::size_t i = 0; i < 4; ++i)
            length = (length << 8) | static_cast<unsigned char>(png[at + i]);
        if (length > png.size() - at - 12)
            break;
        PutBe32(png, at + 8 + length, Crc32(std::string_view(png).substr(at + 4, 4 + length)));
        at += 12 + length;
    }
}

std::string RunPng(std::string_view input, const TempFolder&) {
    return Consistency(sw::imaging::DecodePngData(input));
}
std::string RunJpeg(std::string_view input, const TempFolder&) {
    return Consistency(sw::imaging::DecodeJpegData(input));
}

// Archives of our packer (zlib index) and one with a raw index, so that
// mutations reach the chunks as well as the zlib stream.
std::vector<std::string> Xp3Seeds() {
    TempFolder scratch;
    std::vector<sw::xp3::PackInput> inputs = {
        {"scenario/first.ks", scratch.Write("a", "*start|始まり\r\n[p]\r\n[p]\r\n"), true},
        {"画像/ソ.png", scratch.Write("b", "\x89PNG\r\n\x1A\n"), false},
        {"空.txt", scratch.Write("c", ""), true}};
    sw::xp3::PackResult result;
    sw::xp3::WriteArchive(scratch.File("seed.xp3"), inputs, result);
    std::string packed = ReadFileOrEmpty(scratch.File("seed.xp3"));
    const auto le = [](std::uint64_t value, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i)
            out += static_cast<char>(value >> (8 * i));
        return out;
    };
    const std::string info = "info" + le(28, 8) + le(0, 4) + le(5, 8) + le(5, 8) + le(3, 2) +
                             std::string("a\0b\0c\0", 6);
    const std::string segm = "segm" + le(28, 8) + le(0, 4) + le(19, 8) + le(5, 8) + le(5, 8);
    const std::string index = "File" + le(info.size() + segm.size(), 8) + info + segm;
    const std::string raw = std::string("XP3\r\n \n\x1A\x8B\x67\x01", 11) + le(24, 8) + "hello" +
                            std::string(1, '\0') + le(index.size(), 8) + index;
    return {packed, raw, "MZ" + std::string(14, '\0') + packed};
}

std::vector<std::string> Xp3Tokens(const std::vector<std::string>&) {
    return {"File", "info", "segm", "adlr", std::string(8, '\xFF'), std::string(8, '\0'), "\x80",
            "\x01", "..",   "/",    "\\"};
}

// Open; every entry read and extracted, which must stay below the folder.
std::string RunXp3(std::string_view input, const TempFolder& scratch) {
    sw::xp3::CArchiveReader reader;
    std::string message;
    if (!reader.Open(scratch.Write("fuzz.xp3", input), message))
        return reader.Entries().empty() && !message.empty() ? "" : "a refused archive kept entries";
    const std::string out = scratch.File("out/in");
    sw::files::CreateDirectories(out);
    for (const sw::xp3::Entry& entry : reader.Entries()) {
        std::uint64_t total = 0;
        const bool read = reader.Read(
            entry,
            [&](std::string_view data) {
                total += data.size();
                return true;
            },
            message);
        if (read && total != entry.size)
            return "a read gave another size than the index";
        reader.Extract(entry, out, message);
    }
    // Names are hostile: nothing may appear beside the target folder.
    std::size_t beside = 0;
    for ([[maybe_unused]] const std::string& name : sw::files::FindFiles(scratch.File("out"), "*"))
        ++beside;
    return beside == 0 ? "" : "an extracted file left its folder";
}

// A project of one scene with a narration and a dialogue line, the
// character named; media paths point into the scratch folder's media/.
void MakeSmallProject(CScenewrightDoc& doc) {
    auto character = std::make_unique<CSwCharacter>();
    character->SetText(CSwCharacter::kFirstName, "太郎");
    doc.GetSettings().AddCharacter(std::move(character));
    auto scene = std::make_unique<CSwScene>();
    scene->id = 1;
    scene->select = 1;
    auto message = std::make_unique<CSwMessage>();
    message->SetText(CSwMessage::kMessage, "地の文です。\n[l][r]表示\\ソ");
    scene->AddCell(std::move(message));
    auto dialogue = std::make_unique<CSwDialogue>();
    dialogue->SetText(CSwDialogue::kMessage, "おはよう");
    dialogue->SetInteger(CSwDialogue::kCharInf, 0);
    scene->AddCell(std::move(dialogue));
    doc.AdoptScene(std::move(scene));
}

std::string SmallProjectText() {
    CScenewrightDoc doc;
    MakeSmallProject(doc);
    return doc.ProjectText();
}

// Saves `doc` and opens it again: whatever is saved must open, as it was.
std::string SavedAndReopened(CScenewrightDoc& doc, const std::string& path) {
    if (!doc.WriteProjectFile(path.c_str()))
        return "the project could not be saved";
    CScenewrightDoc reread;
    if (!reread.ReadProjectFile(path.c_str()))
        return "a saved project does not open";
    if (reread.ProjectText() != doc.ProjectText())
        return "a saved project opens as another";
    CountStage("reopened");
    return "";
}

std::vector<std::string> TsvSeeds() {
    CScenewrightDoc doc;
    MakeSmallProject(doc);
    const std::string table = ExportTexts(doc);
    std::string edited = table;
    const std::string_view greeting = reinterpret_cast<const char*>(u8"おはよう");
    edited.replace(edited.rfind(greeting), greeting.size(),
                   reinterpret_cast<const char*>(u8"こんばんは\\n\\t\\\\r"));
    return {table, edited,
            reinterpret_cast<const char*>(u8"1:0\tmessage\t\t\tx\r\n1:1\tdialogue\t太郎\t\ty\r\n")};
}

std::vector<std::string> TsvTokens(const std::vector<std::string>&) {
    return {"\t",           "\n",
            "\r\n",         "\\n",
            "\\t",          "\\r",
            "\\\\",         "1:0",
            "1:1",          "message",
            "dialogue",     reinterpret_cast<const char*>(u8"太郎"),
            "\xE2\x88\xB5", std::string(1, '\0'),
            "\x01",         "\x1B"};
}

// An edited table taken back into the project, which is saved and opened.
std::string RunTsv(std::string_view input, const TempFolder& scratch) {
    CScenewrightDoc doc;
    MakeSmallProject(doc);
    const TextImportResult result = ImportTexts(doc, input);
    if (result.changed > 0)
        CountStage("changed");
    return SavedAndReopened(doc, scratch.File("tsv.swo"));
}

std::vector<std::string> ClipboardSeeds() {
    std::vector<std::unique_ptr<CSwObj>> cells;
    for (const CommandTypeInfo& info : CommandCatalogue()) {
        const std::int32_t type = info.type;
        std::unique_ptr<CSwObj> cell = type != SwType::Character ? CreateObject(type) : nullptr;
        if (cell)
            cells.push_back(std::move(cell));
    }
    std::vector<std::string> seeds = {sw::cells::CellsToText(cells)};
    CScenewrightDoc doc;
    MakeSmallProject(doc);
    seeds.push_back(sw::cells::CellsToText(doc.GetSceneAt(0)->cells));
    return seeds;
}

// Cells pasted from the clipboard's text: copied again they read back the
// same, and pasted into a project they are saved so that it opens.
std::string RunClipboard(std::string_view input, const TempFolder& scratch) {
    CScenewrightDoc doc;
    MakeSmallProject(doc);
    // Pasted into a saved project, as in the editor: a relative media path
    // then means the same before and after the project is opened again.
    const std::string path = scratch.File("clipboard.swo");
    if (!doc.WriteProjectFile(path.c_str()))
        return "the project to paste into could not be saved";
    std::vector<std::unique_ptr<CSwObj>> cells = sw::cells::CellsFromText(input, &doc);
    if (cells.empty())
        return "";
    CountStage("pasted");
    const std::string text = sw::cells::CellsToText(cells);
    const std::vector<std::unique_ptr<CSwObj>> again = sw::cells::CellsFromText(text, &doc);
    if (sw::cells::CellsToText(again) != text)
        return "cells copied again read back as other cells";
    for (auto& cell : cells)
        doc.GetSceneAt(0)->AddCell(std::move(cell));
    doc.GetSceneAt(0)->MarkChanged();
    return SavedAndReopened(doc, path);
}

std::vector<std::string> IniSeeds() {
    return {"[KiriKiri]\r\nExePath=C:\\krkr\\krkr.eXe\r\n[Scenewright]\r\nBackupCount=3\r\n",
            "; comment\n[kirikiri]\n  exepath = \"/opt/krkr\"\n", "[Other]\nExePath=x\n",
            "ExePath=outside\n[KiriKiri]\n\n[KiriKiri]\nExePath='q'\n"};
}

std::vector<std::string> IniTokens(const std::vector<std::string>&) {
    return {"[", "]",          "=",       "\r\n",          "\n",          "\r", "\"", "'",
            ";", "[KiriKiri]", "ExePath", "[Scenewright]", "BackupCount", " ",  "\t", "表"};
}

// A value written into any settings file is read back, and a value of
// another section stays as it was.
std::string RunIni(std::string_view input, const TempFolder& scratch) {
    const std::string path = scratch.Write("Scenewright.ini", input);
    const std::string other = sw::ini::ReadString(path, "Scenewright", "BackupCount", "none");
    const std::string value = "/opt/engine/krkr 表";
    if (!sw::ini::WriteString(path, "KiriKiri", "ExePath", value))
        return "a settings file could not be written";
    if (sw::ini::ReadString(path, "KiriKiri", "ExePath") != value)
        return "a value written is not read back";
    if (sw::ini::ReadString(path, "Scenewright", "BackupCount", "none") != other)
        return "writing one value changed another";
    CountStage("written");
    return "";
}

std::vector<std::string> RecoverySeeds() {
    return {SmallProjectText()};
}

// A recovery copy beside a project is offered, read in when it can be, and
// the project saved so that it opens.
std::string RunRecovery(std::string_view input, const TempFolder& scratch) {
    const std::string project = scratch.Write("recovery/p.swo", SmallProjectText());
    const std::string copy = scratch.Write(
        CScenewrightDoc::RecoveryFilePath(project).substr(scratch.Path().size() + 1), input);
    std::string native;
    sw::files::ToNativePath(copy, native);
    const timeval later[2] = {{std::time(nullptr) + 60, 0}, {std::time(nullptr) + 60, 0}};
    ::utimes(native.c_str(), later);
    CScenewrightDoc doc;
    ScriptedHost host;
    host.yesNoAnswer = IDocumentHost::Answer::Yes;
    doc.SetHost(&host);
    doc.SetSettingsFilePath(scratch.File("recovery/Scenewright.ini"));
    if (!doc.ReadProjectFile(project.c_str()))
        return "the project beside a recovery copy did not open";
    if (!doc.OfferRecovery())
        return host.errors.empty() ? "a recovery copy refused without a message" : "";
    CountStage("recovered");
    return SavedAndReopened(doc, scratch.File("recovery/q.swo"));
}

std::vector<std::string> ArgumentSeeds() {
    return {"check\np.swo",
            "check\n--json\np.swo",
            "build\np.swo\n--root\ngame\n--check",
            "build\np.swo\n--root\ngame\n--init-from\ngame",
            "import\np.swo\n1\ns.txt\n--out\nq.swo",
            "export-text\np.swo\nt.tsv",
            "import-text\np.swo\nt.tsv\n--out\nq.swo",
            "resave\np.swo\nq.swo",
            "help"};
}

std::vector<std::string> ArgumentTokens(const std::vector<std::string>&) {
    return {"\n",     "--out",       "--root",      "--check", "--init-from", "--json",
            "p.swo",  "q.swo",       "s.txt",       "t.tsv",   "game",        "1",
            "-1",     "0",           "2147483648",  "build",   "import",      "check",
            "resave", "export-text", "import-text", "表",      "\xFF\xFE",    ""};
}

// The command line of the command-line program, run in the scratch folder
// on files made there: it must end with one of its documented statuses.
// Separators and ".." are taken out of every argument, so that no
// command reaches outside the scratch folder.
std::string RunArguments(std::string_view input, const TempFolder& scratch) {
    const std::string folder = scratch.File("cli");
    scratch.Write("cli/p.swo", SmallProjectText());
    scratch.Write("cli/s.txt", "太郎「やあ」\n地の文。\nＳＥ／ドア\n");
    scratch.Write("cli/t.tsv", "1:0\tmessage\t\t\t新しい地の文\n");
    scratch.Write("cli/game/system/config.tjs", kMinimalConfig);
    std::vector<std::string> arguments;
    std::size_t start = 0;
    while (start <= input.size() && arguments.size() < 12) {
        const std::size_t end = std::min(input.find('\n', start), input.size());
        std::string argument(input.substr(start, std::min<std::size_t>(end - start, 256)));
        for (char& c : argument)
            c = c == '/' || c == '\0' ? '_' : c;
        for (std::size_t dots; (dots = argument.find("..")) != std::string::npos;)
            argument.replace(dots, 2, "_");
        arguments.push_back(argument);
        start = end + 1;
    }
    std::string nativeFolder;
    sw::files::ToNativePath(folder, nativeFolder);
    const pid_t child = ::fork();
    if (child < 0)
        return "";
    if (child == 0) {
        std::vector<char*> argv{const_cast<char*>(SW_CLI_PATH)};
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 1);
        ::dup2(null, 2);
        // A sanitizer's report must not pass for the program's own status 1.
        ::setenv("ASAN_OPTIONS", "exitcode=99:detect_leaks=1", 1);
        ::setenv("UBSAN_OPTIONS", "exitcode=99:halt_on_error=1", 1);
        if (::chdir(nativeFolder.c_str()) == 0)
            ::execv(SW_CLI_PATH, argv.data());
        ::_exit(98);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status))
        return sw::Format("the command line ended with signal %d", WTERMSIG(status));
    const int code = WEXITSTATUS(status);
    if (code == 99 || code == 98 || (code > 7 && code != 64))
        return sw::Format("the command line ended with status %d", code);
    CountStage(code == 0 ? "succeeded" : code == 64 ? "usage" : "failed");
    return "";
}
} // namespace

const std::vector<FuzzTarget>& FuzzTargets() {
    static const std::vector<FuzzTarget> targets = {
        {"project", "*.swo", ProjectSeeds, ProjectTokens, RunProject, nullptr, true},
        {"scenario", "*.txt", ScenarioSeeds, ScenarioTokens, RunScenario},
        {"kag", "*.ks", KagSeeds, KagTokens, RunKag},
        {"config", "*.tjs", ConfigSeeds, ConfigTokens, RunConfig},
        {"bmp", "*.bmp", BmpSeeds, NoTokens, RunBmp},
        {"png", "*.png", PngSeeds, NoTokens, RunPng, MendPngChecksums},
        {"jpeg", "*.jpg", JpegSeeds, NoTokens, RunJpeg},
        {"xp3", "*.xp3", Xp3Seeds, Xp3Tokens, RunXp3},
        {"tsv", "*.tsv", TsvSeeds, TsvTokens, RunTsv},
        {"clipboard", "*.cells", ClipboardSeeds, ProjectTokens, RunClipboard, nullptr, true},
        {"ini", "*.ini", IniSeeds, IniTokens, RunIni},
        {"recovery", "*.swo", RecoverySeeds, ProjectTokens, RunRecovery, nullptr, true},
        {"args", "*.args", ArgumentSeeds, ArgumentTokens, RunArguments},
    };
    return targets;
}
