#include "fuzz/FuzzTargets.h"

#include "build/EngineConfigPatcher.h"
#include "build/ProjectBuilder.h"
#include "build/Xp3Archive.h"
#include "document/ProjectCheck.h"
#include "document/ScenarioImport.h"
#include "document/ScenewrightDoc.h"
#include "fuzz/Mutator.h"
#include "imaging/Decoders.h"
#include "imaging/PictureFixtures.h"
#include "platform/Cp932.h"
#include "platform/Files.h"
#include "platform/TextOutput.h"
#include "support/TempFolder.h"
#include "ui/ChartLayout.h"

namespace {

std::vector<std::string> NoSeeds() {
    return {};
}
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
    return "";
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
    CStringOutput out;
    doc.GetSettings().root = scratch.File("game");
    BuildSceneSubtree(&out, doc.GetSceneAt(0), doc);
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

std::vector<std::string> BmpSeeds() {
    return {MakeBmp({.width = 3, .height = 2, .pixels = std::string(24, '\x40')}),
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
                     .pixels = std::string(8, '\x5A')})};
}

std::vector<std::string> PngSeeds() {
    std::string gradient;
    for (int i = 0; i < 16 * 16 * 3; ++i)
        gradient += static_cast<char>(i);
    return {MakePng({.width = 16, .height = 16, .rows = gradient}),
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
                     .rows = std::string(30, '\x7F')})};
}

std::vector<std::string> JpegSeeds() {
    std::string gradient;
    for (int i = 0; i < 16 * 16 * 3; ++i)
        gradient += static_cast<char>(i * 7);
    return {MakeJpeg(16, 16, 3, gradient), MakeJpeg(16, 16, 3, gradient, true),
            MakeJpeg(8, 8, 1, gradient.substr(0, 64))};
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

} // namespace

const std::vector<FuzzTarget>& FuzzTargets() {
    static const std::vector<FuzzTarget> targets = {
        {"project", "*.swo", NoSeeds, ProjectTokens, RunProject},
        {"scenario", "*.txt", ScenarioSeeds, ScenarioTokens, RunScenario},
        {"config", "*.tjs", ConfigSeeds, ConfigTokens, RunConfig},
        {"bmp", "*.bmp", BmpSeeds, NoTokens, RunBmp},
        {"png", "*.png", PngSeeds, NoTokens, RunPng, MendPngChecksums},
        {"jpeg", "*.jpg", JpegSeeds, NoTokens, RunJpeg},
        {"xp3", "*.xp3", Xp3Seeds, Xp3Tokens, RunXp3},
    };
    return targets;
}
