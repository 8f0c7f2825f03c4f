#include "platform/TjsSyntax.h"
#include "document/ProjectBuild.h"
#include "document/ScenewrightDoc.h"
#include "model/cells/ParticleScript.h"
#include "model/cells/SwParticle.h"
#include "platform/Cp932.h"
#include "platform/Files.h"
#include "scenario/ProjectBuilder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// "line:column message", "end: message" or "" when the text passes.
std::string Outcome(const std::optional<TjsSyntaxFault>& fault) {
    if (!fault)
        return "";
    if (fault->atEnd)
        return "end: " + fault->message;
    return std::to_string(fault->line) + ":" + std::to_string(fault->column) + " " + fault->message;
}

struct GeneratedTjs {
    std::vector<std::string> scripts;     // [iscript] blocks
    std::vector<std::string> expressions; // exp attribute values
};

// The TJS a KAG scenario holds: what stands between [iscript] and
// [endscript] lines, and the exp attribute of every tag, its backtick
// escapes undone. Walks CP932 characters, since 0x60 may be a trail byte.
void CollectTjs(const std::string& scenario, GeneratedTjs& out) {
    std::string script;
    bool inScript = false;
    std::size_t start = 0;
    while (start < scenario.size()) {
        std::size_t end = scenario.find('\n', start);
        if (end == std::string::npos)
            end = scenario.size();
        std::string line = scenario.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string bare = sw::cp932::ToLowerAscii(sw::cp932::TrimStart(line, "\t"));
        if (bare == "[iscript]" || bare == "@iscript") {
            inScript = true;
            script.clear();
        } else if (bare == "[endscript]" || bare == "@endscript") {
            inScript = false;
            out.scripts.push_back(script);
        } else if (inScript) {
            script += line + "\r\n";
        } else {
            for (std::size_t at = sw::cp932::Find(line, "exp=\""); at != std::string::npos;
                 at = sw::cp932::Find(line, "exp=\"", at + 1)) {
                std::string value;
                std::size_t pos = at + 5;
                while (pos < line.size() && line[pos] != '"') {
                    if (line[pos] == '`')
                        ++pos;
                    const std::size_t length = sw::cp932::CharLength(line, pos);
                    value += line.substr(pos, length);
                    pos += length;
                }
                out.expressions.push_back(value);
            }
        }
    }
}

} // namespace

TEST(TjsSyntax, AcceptsTheLanguage) {
    for (const char* expression :
         {"",
          "f.a = 1",
          "f.a = 1;",
          "f.a = 1; f.b = 2",
          "f.x == 1 && !f.y || f.z",
          "f.s = \"a\" + 'b' + \"ソ表\" + 'c\\'d' + \"\\\\\"",
          "f.s = \"a\"  \"b\"",
          "f.n = 0x1F + 0b101 + 017 + 1.5e-3 + .5 + 1e +5",
          "f.a <-> f.b",
          "f.c = f.a \\ 2; f.c \\= 2; f.c >>>= 1; f.c = f.c >>> 1 >> 2 << 3",
          "f.a === void ? f.b !== null : f.c",
          "f.a = int f.b + (int)f.c + (real)1 + string 3",
          "f.o = new Array(); f.d = new global.Dictionary()",
          "f.a = [1, , 2,][0] + %[][\"k\"]",
          "f.d = %[\"a\" => 1, b : 2, 'c', 3,]",
          "f.d = (const) %[\"a\", 1]",
          "f.s = @\"x&f.a;y${f.b + \"}\"}z\"",
          "f.r = /a\\/b/gi.test('x') && /=/.test(f.s)",
          "f.o = <% 00 ff %>",
          "f.c = #\"a\" + $65",
          "f.i = f.o instanceof \"Array\" && f.o isvalid && isvalid f.p",
          "typeof f.a == \"undefined\" && delete f.a",
          "f.v = f.e!; f.w = ++f.i + f.j--",
          "f.f = function(a, b = 1, *) { return a; } incontextof global",
          "f.名前 = \"表示\"",
          "kag.fore.layers[0].loadImages(%[storage : \"a\"])",
          "f.a = 1 if f.b",
          "f.a = .x",
          "f.c = f.a, f.b",
          "f.s = \"a\" /* 注 */",
          "kag.process(,'*start'); super.f(...)",
          "@if (1) this is not checked @endif"})
        EXPECT_EQ(Outcome(CheckTjsExpression(expression)), "") << expression;

    EXPECT_EQ(Outcome(CheckTjsScript(R"(#!/usr/bin/env tjs
// 一行
/* 外 /* 入れ子 */ まだ外 */
var a = 1, b : int = 2, c;
const d = %[];
function f(x, y = 2, rest*) : int { return x + y; }
class C extends A, B {
  var v = 1;
  function C() { super.A(...); }
  property p { getter() { return v; } setter(x) { v = x; } }
  property q { getter { return 1; } }
};
if (a) b = 1; else if (b) { c = 2; } else ;
for (var i = 0; i < 3; i++) continue;
for (;;) break;
while (a--) ;
do { a++; } while (a < 3);
switch (a) { case 1: case 2: b = 3; break; default: b = 4; }
with (kag) .process("first.ks");
try { throw new Exception("x"); } catch (e) { dm(e.message); }
try f(); catch { }
sf.name = [] if (sf.name === void);
invalidate timer if timer !== void;
var tick = 1;      if ((tick - a) > 2) { debugger; }
fore.imageLeft = -intrandom(0, (fore.imageWidth \ fore.imageHeight)-1) * fore.imageHeight;
return;
)")),
              "");
}

TEST(TjsSyntax, AcceptsWhatTheBuildWrites) {
    TempFolder temp;
    CScenewrightDoc doc;
    ASSERT_TRUE(doc.ReadProjectFile(SW_EXAMPLES_DIR "/sample/sample.swo"));
    temp.Write("game/system/config.tjs",
               ReadFileOrEmpty(SW_EXAMPLES_DIR "/engine/system/config.tjs"));
    doc.GetSettings().root = temp.File("game");
    // A choice scene that clears the message layers writes a script of its own.
    for (const auto& scene : doc.GetScenes()) {
        if (scene->type == SwType::SceneChoice && CSwObj::GetChildCount(scene.get()) >= 2)
            scene->clearmsg = 1;
    }
    ASSERT_TRUE(BuildProject(doc));

    GeneratedTjs generated;
    for (const std::string& name : sw::files::FindFiles(temp.File("game/scenario"), "*.ks"))
        CollectTjs(ReadFileOrEmpty(temp.File("game/scenario/" + name)), generated);
    // Every preset, with and without frames of animation.
    for (int preset = 0; preset < CSwParticle::kPresetCount; ++preset) {
        for (int animation = 0; animation <= 1; ++animation) {
            CSwParticle cell;
            ASSERT_TRUE(cell.ApplyPreset(preset));
            cell.SetText(CSwParticle::kClassName, "snow");
            cell.SetText(CSwParticle::kImage, "/art/snow");
            cell.SetInteger(CSwParticle::kAnimation, animation);
            cell.SetInteger(CSwParticle::kAnimeSegX, animation * 16);
            CollectTjs(ParticleScript(cell), generated);
        }
    }
    EXPECT_GE(generated.scripts.size(), 23u); // 2 + 3 plugin files + 18 presets
    EXPECT_GE(generated.expressions.size(), 10u);
    for (const std::string& script : generated.scripts)
        EXPECT_EQ(Outcome(CheckTjsScript(script)), "") << sw::cp932::ToUtf8ForDisplay(script);
    for (const std::string& expression : generated.expressions)
        EXPECT_EQ(Outcome(CheckTjsExpression(expression)), "") << expression;
    EXPECT_EQ(Outcome(CheckTjsScript(ReadFileOrEmpty(SW_EXAMPLES_DIR "/engine/system/config.tjs"))),
              "");
}

TEST(TjsSyntax, FaultsSayWhereAndWhat) {
    const struct {
        const char* text;
        bool script;
        const char* outcome;
    } cases[] = {
        {"f.x = = 1", false,
         "1:7 「=」の前に値が必要です。値を書くか、余分な演算子を消してください。"},
        {"f.total = f.count + ;", false,
         "1:21 「;」の前に値が必要です。値を書くか、余分な演算子を消してください。"},
        {"f.x == 1 &&", false,
         "end: "
         "値が必要な所で終わっています。演算子の後に値を書くか、余分な演算子を消してください。"},
        {"f.名前 = = 1", false,
         "1:8 「=」の前に値が必要です。値を書くか、余分な演算子を消してください。"},
        {"f.a = (1", false, "end: 「(」を閉じる「)」がありません。「)」を書いてください。"},
        {"f.a = [1)", false,
         "1:9 「[」を閉じる「]」が必要な所に「)」があります。括弧の対応を直してください。"},
        {"f.a = 1)", false,
         "1:8 「)」に対応する「(」がありません。余分な「)」を消すか、「(」を書き足してください。"},
        {"f.a = 1 f.b = 2", false, "1:9 「f」の前に「;」か演算子が必要です。"},
        {"f.a = 1 // 注", false,
         "end: 式の最後の // のコメントが、式の終わりまで隠してしまいます。// のコメントを消すか "
         "/* */ で囲んでください。"},
        {"f.s = \"ソ", false,
         "1:7 文字列の \" が閉じていません。文字列の最後に \" を書いてください。"},
        {"f.s = 'a\\'", false,
         "1:7 文字列の ' が閉じていません。文字列の最後に ' を書いてください。"},
        {"f.a = 1 /* 注", false, "1:9 コメントの /* が閉じていません。*/ を書いてください。"},
        {"f.a = 08", false, "1:8 「8」の前に「;」か演算子が必要です。"},
        {"f.a = 0x", false, "1:7 数値 0x の書き方が正しくありません。"},
        {"f.a = `b`", false,
         "1:7 「`」は TJS では使えない文字です。消すか、文字列の中に書いてください。"},
        {"f.o = new Array", false, "end: new の後のクラスには ( ) で引数を付けてください。"},
        {"f.a = 1 else", false, "1:9 「else」の前に「;」か演算子が必要です。"},
        {"var = 1", false, "1:5 名前が必要な所に「=」があります。"},
        {"f.s = \"a\" /*注*/ \"b\"", false, "1:17 「\"b\"」の前に「;」か演算子が必要です。"},
        {"f.a = 1;\r\nf.b = (2;\r\n", true,
         "2:9 「(」を閉じる「)」が必要な所に「;」があります。括弧の対応を直してください。"},
        {"if (f.a) {\n  f.b = 1;\n", true,
         "end: 「{」を閉じる「}」がありません。「}」を書いてください。"},
        {"f.a = 1\nf.b = 2;", true, "2:1 「f」の前に「;」か演算子が必要です。"},
        {"f.a = 1", true, "end: 最後の文の後に「;」が必要です。"},
        {"do f(); until (x);", true, "1:9 「while」が必要な所に「until」があります。"},
        {"property p { var x; }", true,
         "1:14 property の中には getter か setter を書いてください（「var」は書けません）。"},
    };
    for (const auto& c : cases) {
        const std::optional<TjsSyntaxFault> fault =
            c.script ? CheckTjsScript(c.text) : CheckTjsExpression(c.text);
        EXPECT_EQ(Outcome(fault), c.outcome) << c.text;
    }
}

TEST(TjsSyntax, DeepNestingEndsWithoutAVerdict) {
    const std::string deep = "f.a = " + std::string(100000, '(') + "1" + std::string(100000, ')');
    EXPECT_EQ(Outcome(CheckTjsExpression(deep)), "");
    EXPECT_EQ(Outcome(CheckTjsScript(std::string(100000, '{'))), "");
    // Within the depth followed, a fault is still found.
    EXPECT_EQ(Outcome(CheckTjsExpression("f.a = " + std::string(50, '(') + "1")),
              "end: 「(」を閉じる「)」がありません。「)」を書いてください。");
}
