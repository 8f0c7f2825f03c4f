#include "document/ScenewrightDoc.h"
#include "platform/Cp932.h"
#include "platform/Files.h"
#include "scenario/EngineConfigPatcher.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <regex>

using namespace std::string_literals;

namespace {

const char kZeroId[] = "00000000-0000-0000-0000-000000000000";

// The patched text, or "" when the patch failed.
std::string Patched(CScenewrightDoc& doc, std::string_view config, bool expectOk = true) {
    TempFolder temp;
    const std::string source = temp.Write("config.tjs", config);
    const bool ok = PatchEngineConfig(&doc, source, temp.File("config.tmp"));
    EXPECT_EQ(ok, expectOk) << doc.GetPendingMessage();
    return ReadFileOrEmpty(temp.File("config.tmp"));
}

std::string Crlf(std::string_view text) {
    std::string out;
    for (char c : text)
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

void SetProjectValues(CSwSettings& s) {
    s.name = "新しい題名ソ";
    s.width = 800;
    s.height = 600;
    s.saveprefix = "セーブ\"表";
    s.savelocation = "save";
    s.freesave = 1;
    s.encrypt = 1;
    s.savewidhimage = 1;
    s.laycount = 5;
    s.msglaycount = 3;
    s.deflinkcol = 0x000000FF; // red
    s.htvertivalview = 1;
    s.htstorestate = 1;
    s.htmaxpages = 50;
    s.htmaxlines = 3000;
    s.bgmtype = 1;
}

} // namespace

TEST(EngineConfig, FunctionNames) {
    EXPECT_EQ(ExtractFunctionName("  KAGWindow_config()  "), "KAGWindow_config");
    EXPECT_EQ(ExtractFunctionName("KAGWindow_config ()"), "KAGWindow_config ");
    EXPECT_EQ(ExtractFunctionName("name"), "name");
    EXPECT_EQ(ExtractFunctionName("  "), std::nullopt);
    EXPECT_EQ(ExtractFunctionName("(x)"), std::nullopt);
}

// Comments and strings full of CP932 characters whose trail byte is a brace,
// bracket, backslash, bar or backtick (マ 抑 ソ 表 能 十 ― ゾ ゼ ボ ポ チ), braces
// in comments and strings, and settings after all of them.
TEST(EngineConfig, TemplateShapedFileKeepsEveryByteItDoesNotSet) {
    const std::string input = Crlf(R"(// Config.tjs - 起動設定 {試験用} ソ表
;global.config_version = "3.32 stable rev. 2"; // この行は消さないでください
;System.title = "古い題名"; // 題名ソ
;global.ignoreCR = true;
//[start-global-additionals]
//[end-global-additionals]

function KAGWindow_config()
{
// 8 を指定すると 256 色ビットマップで保存されます。
;thumbnailDepth = 8; // マ 抑 } を含む注釈
/* 入れ子の注釈 { /* 能 } */ 十 ― } */
;helpFile = "表"; ;helpTitle = "}ソ\\"; // 文字列の中の } と ゾ ゼ ボ ポ チ
// この function は注釈の中 {
;scWidth = 640; // 横幅  (ピクセル)   
;scHeight = 480;
;numCharacterLayers = 3; ;numMessageLayers = 2;
;saveDataID = "00000000-0000-0000-0000-000000000000";
//[start-KAGWindow-additionals]
if (sf.x) {
;dataName = "入れ子のブロックの中";
}
;dataName = "表";	// 既定は "data";
//[end-KAGWindow-additionals]
}

function MessageLayer_config()
{
;defaultLinkColor = 0x0080ff; ;defaultLinkOpacity = 64;
}
function BGM_config()
{
;type = "Wave"; // "MIDI" か "CDDA" も選べます
}
function HistoryLayer_config ()
{
;maxLines = 2000; // 行数
;storeState = false;
}
// 終わり ソ)");
    const std::string expected = Crlf(R"(// Config.tjs - 起動設定 {試験用} ソ表
;global.config_version = "3.32 stable rev. 2"; // この行は消さないでください
;System.title = "新しい題名ソ"; // 題名ソ
;global.ignoreCR = true;
//[start-global-additionals]
//[end-global-additionals]

function KAGWindow_config()
{
// 8 を指定すると 256 色ビットマップで保存されます。
;thumbnailDepth = 8; // マ 抑 } を含む注釈
/* 入れ子の注釈 { /* 能 } */ 十 ― } */
;helpFile = "表"; ;helpTitle = "}ソ\\"; // 文字列の中の } と ゾ ゼ ボ ポ チ
// この function は注釈の中 {
;scWidth = 800; // 横幅  (ピクセル)   
;scHeight = 600;
;numCharacterLayers = 5; ;numMessageLayers = 2;
;saveDataID = "@ID@";
//[start-KAGWindow-additionals]
if (sf.x) {
;dataName = "入れ子のブロックの中";
}
;dataName = "セーブ\"表";	// 既定は "data";
//[end-KAGWindow-additionals]
}

function MessageLayer_config()
{
;defaultLinkColor = 0xFF0000; ;defaultLinkOpacity = 64;
}
function BGM_config()
{
;type = "MIDI"; // "MIDI" か "CDDA" も選べます
}
function HistoryLayer_config ()
{
;maxLines = 3000; // 行数
;storeState = true;
}
// 終わり ソ)");
    CScenewrightDoc doc;
    SetProjectValues(doc.GetSettings());
    const std::string out = Patched(doc, input);

    const std::string idLine = ";saveDataID = \"";
    const std::size_t at = out.find("\r\n" + idLine);
    ASSERT_NE(at, std::string::npos) << out;
    const std::string id = out.substr(at + 2 + idLine.size(), 36);
    EXPECT_TRUE(std::regex_match(id, std::regex("[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}")))
        << id;
    std::string withId = expected;
    withId.replace(withId.find("@ID@"), 4, id);
    EXPECT_EQ(out, withId);

    // A second build over the first one's output: the same bytes, the id kept.
    EXPECT_EQ(Patched(doc, out), out);
}

// CR LF, LF and CR line ends side by side, a statement without its ';', a
// comment after the setting and no line end at the end of the file.
TEST(EngineConfig, LineEndsAndTextAfterASettingStayAsTheyWere) {
    CScenewrightDoc doc;
    SetProjectValues(doc.GetSettings());
    EXPECT_EQ(Patched(doc, "function KAGWindow_config()\r{\r"
                           ";scWidth = 1;  /* 幅 */ // 注 \r"
                           ";scHeight = 2 \t// セミコロンなし\n"
                           ";saveDataLocation = 'a;b' ; ;x = 1;\r\n"
                           ";freeSaveDataMode = false }\r\n"
                           ";System.title = \"x\""),
              "function KAGWindow_config()\r{\r"
              ";scWidth = 800;  /* 幅 */ // 注 \r"
              ";scHeight = 600; \t// セミコロンなし\n"
              ";saveDataLocation = \"save\"; ;x = 1;\r\n"
              ";freeSaveDataMode = true; }\r\n"
              ";System.title = \"新しい題名ソ\";");
    // What a replaced statement held does not reach the lines after it, so a
    // second build finds what the first one wrote.
    EXPECT_EQ(Patched(doc, "function KAGWindow_config()\n{\n;scWidth = function;\n"
                           ";scHeight = 1;\n}\n"),
              "function KAGWindow_config()\n{\n;scWidth = 800;\n;scHeight = 600;\n}\n");
}

TEST(EngineConfig, LinesOutsideTheirFunctionsBodyStayUnchanged) {
    CScenewrightDoc doc;
    SetProjectValues(doc.GetSettings());
    const std::string untouched[] = {
        // Indented, or not the key's whole name.
        "function KAGWindow_config()\n{\n  ;scWidth = 1;\n;scWidthOffset = 2;\n}\n",
        "function BGM_config() {\n;typeface = \"a\";\n}\n",
        // Another function, a nested block, a function without a name.
        "function KAGWindow_config2()\n{\n;scWidth = 1;\n}\n",
        "function KAGWindow_config()\n{\nif (1)\n{\n;scWidth = 1;\n}\n}\n",
        "var f = function() {\n;System.title = \"a\";\n};\n",
        // Between a header and its block, and inside a block comment.
        "function KAGWindow_config()\n;scWidth = 1;\n{\n}\n",
        "function KAGWindow_config()\n{\n/* 注 {\n;scWidth = 1;\n*/\n}\n",
        // A statement that goes on to the next line.
        "function KAGWindow_config()\n{\n;scWidth = int(\n640);\n}\n",
        // "function" inside a comment or a string starts no function.
        "// function KAGWindow_config() {\n;scWidth = 1;\n",
        "var s = \"function KAGWindow_config() {\";\n;scWidth = 1;\n",
        // Already holding an identifier.
        "function KAGWindow_config()\n{\n;saveDataID = \"0123\";\n}\n",
    };
    for (const std::string& config : untouched)
        EXPECT_EQ(Patched(doc, config), config);
}

TEST(EngineConfig, FailuresSetTheirStatusAndWriteNothing) {
    CScenewrightDoc doc;
    Patched(doc, "a\nfunction (\n", false);
    EXPECT_EQ(doc.GetBuildStatus(), SwBuildStatus::ConfigFunctionMissing);
    EXPECT_EQ(doc.GetPendingMessage(), "Config.tjs: 2行目: function の名前が見つかりません。");
    Patched(doc, "function /* 名前 */\n", false);
    EXPECT_EQ(doc.GetPendingMessage(), "Config.tjs: 1行目: function の名前が見つかりません。");
    Patched(doc, "function f()\nx\n", false);
    EXPECT_EQ(doc.GetPendingMessage(),
              "Config.tjs: 1行目: function f のブロックが見つかりません。");

    // A NUL is refused with its line, lines counted at CR LF, LF and CR.
    doc.SetBuildStatus(SwBuildStatus::Built);
    EXPECT_EQ(Patched(doc, "a\r\nb\nc\rd\r\n;scWidth\0 = 1;\r\n"s, false), "");
    EXPECT_EQ(doc.GetBuildStatus(), SwBuildStatus::ConfigFunctionMissing);
    EXPECT_EQ(doc.GetPendingMessage(),
              "Config.tjs: 5行目: NUL 文字が含まれているため書き換えられません。");

    // A failed patch leaves the target as it was.
    TempFolder temp;
    const std::string source = temp.Write("config.tjs", "function (");
    const std::string target = temp.Write("config.tmp", "previous");
    EXPECT_FALSE(PatchEngineConfig(&doc, source, target));
    EXPECT_EQ(ReadFileOrEmpty(target), "previous");

    EXPECT_FALSE(PatchEngineConfig(&doc, "/no/such/config.tjs", temp.File("x")));
    EXPECT_EQ(doc.GetBuildStatus(), SwBuildStatus::ConfigUnreadable);
    sw::files::CreateDirectory(temp.File("folder"));
    temp.Write("ok.tjs", ";System.title = \"\";\n");
    EXPECT_FALSE(PatchEngineConfig(&doc, temp.File("ok.tjs"), temp.File("folder")));
    EXPECT_EQ(doc.GetBuildStatus(), SwBuildStatus::OutputUnwritable);
    EXPECT_EQ(doc.GetPendingMessage(),
              "書き込みモードで " + temp.File("folder") + " を開くことが出来ません。");
}

TEST(EngineConfig, TextsAreEscapedForTjsAndLongLinesStayWhole) {
    CScenewrightDoc doc;
    doc.GetSettings().name = "\"ソ表\\\"";
    const std::string longLine = ";" + std::string(400, 'x');
    EXPECT_EQ(Patched(doc, ";System.title = \"\";\n" + longLine + "\n"),
              ";System.title = \"\\\"ソ表\\\\\\\"\";\n" + longLine + "\n");
    doc.GetSettings().name.clear();
    EXPECT_EQ(Patched(doc, ";System.title = \"x\";\n"), ";System.title = \"吉里吉里\";\n");
}

// The example is what the KAG3 system scripts read at start-up: every
// function they call and every setting they read without a default of their
// own must be there, in its function.
TEST(EngineConfig, TheExampleIsCompleteForTheKag3SystemScripts) {
    const std::string config = ReadFileOrEmpty(SW_EXAMPLES_DIR "/engine/system/config.tjs");
    ASSERT_FALSE(config.empty());
    EXPECT_TRUE(sw::cp932::IsValid(config));
    for (std::size_t i = 0; i < config.size(); ++i) {
        if (config[i] == '\r' || config[i] == '\n') {
            ASSERT_EQ(config.compare(config[i] == '\r' ? i : i - 1, 2, "\r\n"), 0) << i;
        }
    }
    EXPECT_TRUE(config.ends_with("}\r\n"));

    const struct {
        const char* function; // "" for the top level
        std::vector<const char*> settings;
    } required[] = {
        {"", {"global.config_version", "System.title", "global.ignoreCR"}},
        {"KAGWindow_config",
         {"scWidth",
          "scHeight",
          "numCharacterLayers",
          "numMessageLayers",
          "numSEBuffers",
          "scPositionX.left",
          "scPositionX.left_center",
          "scPositionX.center",
          "scPositionX.right_center",
          "scPositionX.right",
          "saveDataLocation",
          "dataName",
          "saveDataID",
          "saveDataMode",
          "freeSaveDataMode",
          "saveThumbnail",
          "chSpeeds.normal",
          "autoModePageWaits.medium",
          "autoModeLineWaits.medium",
          "cursorDefault"}},
        {"Menu_visible_config", {"menu.visible"}},
        {"MessageLayer_config",
         {"ml", "mt", "mw", "mh", "frameColor", "frameOpacity", "marginL", "marginT", "marginR",
          "marginB", "defaultFontSize", "userFace", "defaultLinkColor", "lineBreakGlyph",
          "pageBreakGlyph"}},
        {"BGM_config", {"type", "doubleBuffered"}},
        {"HistoryLayer_config",
         {"fontName", "fontHeight", "lineHeight", "verticalView", "storeState", "maxPages",
          "maxLines"}},
    };
    // Sections by the example's own layout: a header, "{" and "}" alone on
    // their lines. CR and LF are never trail bytes.
    for (const auto& each : required) {
        std::string section = config.substr(0, config.find("\r\nfunction "));
        if (*each.function != '\0') {
            const std::string head = "\r\nfunction " + std::string(each.function) + "()\r\n{";
            const std::size_t start = config.find(head);
            ASSERT_NE(start, std::string::npos) << each.function;
            const std::size_t body = start + head.size();
            section = config.substr(body, config.find("\r\n}\r\n", body) + 2 - body);
        }
        for (const char* setting : each.settings)
            EXPECT_NE(section.find("\r\n;" + std::string(setting) + " = "), std::string::npos)
                << each.function << " " << setting;
    }
    // The message layer must have a size, or the engine cannot create it.
    for (const char* size : {"\r\n;mw = 0;", "\r\n;mh = 0;"})
        EXPECT_EQ(config.find(size), std::string::npos);

    // With the example's own values only the placeholder id changes.
    CScenewrightDoc doc;
    CSwSettings& s = doc.GetSettings();
    s.name = "吉里吉里";
    s.width = 640;
    s.height = 480;
    s.saveprefix = "data";
    s.savelocation = "savedata";
    s.freesave = s.encrypt = s.savewidhimage = s.htvertivalview = s.htstorestate = 0;
    s.laycount = 3;
    s.msglaycount = 2;
    s.deflinkcol = 0x00FF8000;
    s.htmaxpages = 100;
    s.htmaxlines = 2000;
    s.bgmtype = 0;
    const std::string same = Patched(doc, config);
    const std::size_t zero = config.find(kZeroId);
    ASSERT_NE(zero, std::string::npos);
    ASSERT_EQ(same.size(), config.size());
    EXPECT_EQ(same.substr(0, zero) + kZeroId + same.substr(zero + 36), config);

    // Every setting the project controls is found and set.
    SetProjectValues(s);
    const std::string out = Patched(doc, config);
    for (const char* line :
         {"\r\n;System.title = \"新しい題名ソ\"; //", "\r\n;scWidth = 800; //",
          "\r\n;scHeight = 600; //", "\r\n;numCharacterLayers = 5; //",
          "\r\n;numMessageLayers = 3; //", "\r\n;dataName = \"セーブ\\\"表\"; //",
          "\r\n;saveDataLocation = \"save\"; //", "\r\n;freeSaveDataMode = true; //",
          "\r\n;saveDataMode = \"c\"; //", "\r\n;saveThumbnail = true; //",
          "\r\n;defaultLinkColor = 0xFF0000; //", "\r\n;type = \"MIDI\"; //",
          "\r\n;verticalView = true; //", "\r\n;storeState = true; //", "\r\n;maxPages = 50; //",
          "\r\n;maxLines = 3000; //"})
        EXPECT_NE(out.find(line), std::string::npos) << line;
    EXPECT_EQ(out.find(kZeroId), std::string::npos);
    EXPECT_EQ(Patched(doc, out), out);
}
