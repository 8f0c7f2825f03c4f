#include "document/ProjectCheck.h"
#include "document/LogLine.h"
#include "document/ScenewrightDoc.h"
#include "imaging/PictureFixtures.h"
#include "model/cells/CreateObject.h"
#include "model/cells/SwCharacter.h"
#include "model/cells/SwCommand.h"
#include "support/SceneCells.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// "kind scene cell" of each finding, one a line.
std::string Summary(const CScenewrightDoc& doc) {
    std::string out;
    for (const CheckFinding& finding : CheckProject(doc))
        out += std::string(CheckKindName(finding.kind)) + " " + std::to_string(finding.sceneId) +
               " " + std::to_string(finding.cell) + "\n";
    return out;
}

// The smallest pictures our decoders read.
std::string Png() {
    return MakePng({2, 2, 2, 8, false, 0, {}, {}, std::string(12, '\x40')});
}
std::string Bmp() {
    return MakeBmp({1, 1, 24, 0, 0, {}, {}, std::string(4, '\0')});
}
std::string Jpeg() {
    return MakeJpeg(1, 1, 3, std::string(3, '\x80'));
}

// A project whose one scene is a procedure: reachable and no dead end, so
// that each test sees only the findings of its own fault.
struct Project {
    CScenewrightDoc doc;
    CSwScene* top;
    Project() : top(doc.AddScene(CScenewrightDoc::kNewTopLevel)) { top->procedure = 1; }
    CSwScene* Child(CSwScene* parent, int mode = CScenewrightDoc::kChoiceAsChild) {
        doc.SelectScene(parent);
        return doc.AddScene(mode);
    }
};

} // namespace

TEST(ProjectCheck, LinkScenesNeedATargetThatIsNoLink) {
    Project p;
    CSwScene* dangling = p.Child(p.top, CScenewrightDoc::kLinkAsChild);
    CSwScene* toLink = p.Child(p.top, CScenewrightDoc::kLinkAsChild);
    CSwScene* toSelf = p.Child(p.top, CScenewrightDoc::kLinkAsChild);
    toLink->linkto = dangling;
    toSelf->linkto = toSelf;
    EXPECT_EQ(Summary(p.doc), "error 2 -1\nerror 3 -1\nerror 4 -1\n");

    dangling->linkto = toSelf->linkto = p.top;
    EXPECT_EQ(Summary(p.doc), "error 3 -1\n");
}

TEST(ProjectCheck, DeadEndsAndUnreachableScenes) {
    CScenewrightDoc doc;
    CSwScene* first = doc.AddScene(CScenewrightDoc::kNewTopLevel);
    doc.SelectScene(first);
    doc.AddScene(CScenewrightDoc::kBranchAsChild);
    CSwScene* link = doc.AddScene(CScenewrightDoc::kLinkAsChild);
    CSwScene* apart = doc.AddScene(CScenewrightDoc::kNewTopLevel);
    CSwScene* menu = doc.AddScene(CScenewrightDoc::kNewTopLevel);
    menu->procedure = 1;
    doc.SelectScene(menu);
    doc.AddScene(CScenewrightDoc::kChoiceAsChild); // ends by returning from the right click
    EXPECT_EQ(Summary(doc), "warning 2 -1\n"       // a branch without children
                            "error 3 -1\n"         // the link has no target yet
                            "warning 4 -1\n"       // a dead end
                            "warning 4 -1\n");     // that nothing reaches
    link->linkto = apart;
    EXPECT_EQ(Summary(doc), "warning 2 -1\nwarning 4 -1\n");
    EXPECT_EQ(CheckProject(doc)[0].message,
              "条件分岐シーンに子シーンが無いため、ここでゲームが止まります。");
}

TEST(ProjectCheck, MediaFilesMapRegionsAndParticleImages) {
    TempFolder temp;
    Project p;
    AddTextCell(*p.top, SwType::ImageLoad, "image", temp.Write("a/Sky.png", Png()));
    AddTextCell(*p.top, SwType::ImageLoad, "image", temp.File("a/missing.png"));
    AddTextCell(*p.top, SwType::BgmPlay, "storage", temp.Write("b/sky.PNG", "x"));
    AddTextCell(*p.top, SwType::ImageLoad, "image", temp.File("a/Sky.png")); // the same file again
    CSwCommand& particle = AddTextCell(*p.top, SwType::Particle, "image", temp.File("p/snow"));
    particle.SetInteger(particle.SlotOf("count"), 2);
    particle.SetText(particle.SlotOf("classname"), "snow");
    temp.Write("p/snow_0.png", Png());
    CSwScene* map = p.Child(p.top, CScenewrightDoc::kImageMapAsChild);
    map->mapimage = temp.Write("m/town.png", Png());
    p.Child(map);
    p.Child(map);
    p.top->procedure = 1;
    EXPECT_EQ(Summary(p.doc), "error 1 1\nwarning 1 2\nerror 1 4\nerror 2 -1\n");
    const std::vector<CheckFinding> findings = CheckProject(p.doc);
    EXPECT_EQ(findings[0].message,
              "ファイル " + temp.File("a/missing.png") + " が見つかりません。");
    EXPECT_EQ(findings[2].message,
              "パーティクル画像 " + temp.File("p") + "/snow_1.* が見つかりません。");

    temp.Write("m/town_p.bmp", Bmp());
    temp.Write("p/snow_1.jpg", Jpeg());
    EXPECT_EQ(Summary(p.doc), "error 1 1\nwarning 1 2\n");
    map->mapimage.clear();
    EXPECT_EQ(Summary(p.doc), "error 1 1\nwarning 1 2\nerror 2 -1\n");
}

TEST(ProjectCheck, BracketsAndLineStartsOfMessages) {
    Project p;
    for (const char* fine : {"a[r]b", "[[注]と書く", "[font face=\"a]b\"]x", "ゼゾ", " *x", "a;b@c",
                             "[ruby text=`]]x"})
        AddTextCell(*p.top, SwType::Message, "message", fine);
    EXPECT_EQ(Summary(p.doc), "");

    p.top->cells.clear();
    AddTextCell(*p.top, SwType::Message, "message", "a[r");
    AddTextCell(*p.top, SwType::Message, "message", "a[r\nb]"); // a tag closes on its own line
    AddTextCell(*p.top, SwType::Message, "message", "x]");
    AddTextCell(*p.top, SwType::Message, "message", "x\r\n*label");
    AddTextCell(*p.top, SwType::Message, "message", "\t;comment");
    AddTextCell(*p.top, SwType::Message, "message", "x\r@wait time=1");
    EXPECT_EQ(Summary(p.doc), "error 1 0\n"
                              "error 1 1\nwarning 1 1\n"
                              "warning 1 2\n"
                              "warning 1 3\nwarning 1 4\nwarning 1 5\n");
}

TEST(ProjectCheck, ChoicesThatClearTheirLinks) {
    Project p;
    CSwScene* choice = p.Child(p.top);
    p.Child(choice);
    p.Child(choice);
    CSwCommand& message = AddTextCell(*choice, SwType::Message, "message", "どれにする？");
    message.SetInteger(message.SlotOf("clean"), 0);
    EXPECT_EQ(Summary(p.doc), "");
    message.SetInteger(message.SlotOf("clean"), 1);
    EXPECT_EQ(Summary(p.doc), "error 2 0\n");
    // The finding says what to change.
    EXPECT_NE(
        CheckProject(p.doc)[0].message.find(
            "「メッセージをクリアしてから表示し、表示が終わったら改ページ待ちする。」のチェックを"
            "外す"),
        std::string::npos);
}

TEST(ProjectCheck, MacroBodiesAndParticleClassNames) {
    Project p;
    for (const char* body :
         {"[l][r]\n;*not a label", "x\n\t*inner", "[ISCRIPT]\nf.a=1;\n[endscript]"}) {
        CSwCommand& macro = AddTextCell(*p.top, SwType::Macro, "text", body);
        macro.SetText(macro.SlotOf("name"), "m");
    }
    AddTextCell(*p.top, SwType::Particle, "classname", "snow");
    AddTextCell(*p.top, SwType::Particle, "classname", "1snow");
    AddTextCell(*p.top, SwType::Particle, "classname", "Snow");
    AddTextCell(*p.top, SwType::Particle, "classname", "rain");
    EXPECT_EQ(Summary(p.doc), "error 1 1\nerror 1 2\nerror 1 4\nwarning 1 5\n");
    EXPECT_EQ(CheckProject(p.doc)[3].message,
              "パーティクルのクラス名 Snow はシーン番号1 でも使われています。");
}

TEST(ProjectCheck, UnusedCharactersAreNotes) {
    Project p;
    auto character = std::make_unique<CSwCharacter>();
    character->SetText(CSwCharacter::kFirstName, "一郎");
    p.doc.GetSettings().AddCharacter(std::move(character));
    const std::vector<CheckFinding> findings = CheckProject(p.doc);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(FindingLine(findings[0]), "note: キャラクター 一郎 はどの会話にも使われていません。");
    EXPECT_FALSE(HasErrorFinding(findings));
}

TEST(ProjectCheck, LinesAndJson) {
    const std::vector<CheckFinding> findings = {
        {CheckKind::Error, 3, 2, "\"a\\b\"\n"},
        {CheckKind::Warning, 4, -1, "ソ"},
    };
    EXPECT_EQ(FindingLine(findings[0]), "error: シーン番号3 セル2: \"a\\b\"\n");
    EXPECT_EQ(FindingLine(findings[1]), "warning: シーン番号4: ソ");
    EXPECT_EQ(FindingsJson(findings),
              R"([
  {"kind": "error", "scene": 3, "cell": 2, "message": "\"a\\b\"\u000a"},
  {"kind": "warning", "scene": 4, "cell": -1, "message": ")" +
                  std::string(reinterpret_cast<const char*>(u8"ソ")) + R"("}
]
)");
    EXPECT_EQ(FindingsJson({}), "[]\n");
    EXPECT_TRUE(HasErrorFinding(findings));

    // The log view finds the place again in the printed line.
    std::int32_t scene = 0;
    int cell = 0;
    EXPECT_TRUE(PlaceOfLogLine(FindingLine(findings[0]), scene, cell));
    EXPECT_EQ(scene * 100 + cell, 302);
    EXPECT_TRUE(PlaceOfLogLine("ok: シーン番号12: a を image にコピー。", scene, cell));
    EXPECT_EQ(scene * 100 + cell, 1199);
    EXPECT_TRUE(PlaceOfLogLine("warning: シーン番号5 セル: x シーン番号6 セル1", scene, cell));
    EXPECT_EQ(scene * 100 + cell, 499);
    for (const char* none :
         {"-----ビルド開始-----", "シーン番号0 セル1", "シーン番号x", "シーン番号"})
        EXPECT_FALSE(PlaceOfLogLine(none, scene, cell)) << none;
}

TEST(ProjectCheck, SampleProjectHasNoFinding) {
    CScenewrightDoc doc;
    ASSERT_TRUE(doc.ReadProjectFile(SW_EXAMPLES_DIR "/sample/sample.swo"));
    for (const CheckFinding& finding : CheckProject(doc))
        ADD_FAILURE() << FindingLine(finding);
}

TEST(ProjectCheck, StoryEndingsAreNoDeadEnds) {
    CScenewrightDoc doc;
    CSwScene* first = doc.AddScene(CScenewrightDoc::kNewTopLevel);
    doc.SelectScene(first);
    CSwScene* ending = doc.AddScene(CScenewrightDoc::kChoiceAsChild);
    CSwScene* empty = doc.AddScene(CScenewrightDoc::kChoiceAsChild);
    doc.SelectScene(first);
    CSwScene* map = doc.AddScene(CScenewrightDoc::kImageMapAsChild);
    AddTextCell(*ending, SwType::Dialogue, "message", "おしまい");
    AddTextCell(*map, SwType::Message, "message", "どこへ？");
    AddCell(*empty, SwType::BgmStop);
    EXPECT_EQ(Summary(doc), "warning 3 -1\nwarning 4 -1\n");
}

TEST(ProjectCheck, ExpressionsAndScriptsAreCheckedAsTjs) {
    Project p;
    for (const char* fine : {"f.a = (f.b + 1) * 2", "f.s = \"(\\\"\"", "f.t = 'ソ)' + [1, %[]][0]",
                             "f.u = \"表\"; f.v = 1 if f.u"})
        AddTextCell(*p.top, SwType::Eval, "formula", fine);
    AddTextCell(*p.top, SwType::Script, "text", "var a = 1;\r\nif (a) {\r\n  f.b = a;\r\n}");
    EXPECT_EQ(Summary(p.doc), "");

    p.top->cells.clear();
    for (const char* faulty : {"f.x = = 1", "f.total = f.count + ;", "f.s = \"x"})
        AddTextCell(*p.top, SwType::Eval, "formula", faulty);
    AddTextCell(*p.top, SwType::Eval, "formula", " "); // harmless, but does nothing
    AddTextCell(*p.top, SwType::Script, "text", "f.a = 1;\r\nf.b = (2;");
    CSwCommand& particle = AddTextCell(*p.top, SwType::Particle, "classname", "snow");
    particle.SetText(particle.SlotOf("expstarty"), "-fore.height *");
    CSwScene* child = p.Child(p.top);
    child->expcond = "f.a == 'x";
    child->onenter = "f.b = (1";
    child->exp = "f.c = 1";
    EXPECT_EQ(Summary(p.doc), "error 1 0\nerror 1 1\nerror 1 2\nwarning 1 3\nerror 1 4\nerror 1 5\n"
                              "error 2 -1\nerror 2 -1\n");
    const std::vector<CheckFinding> findings = CheckProject(p.doc);
    EXPECT_EQ(findings[0].message,
              "式の7文字目: 「=」の前に値が必要です。値を書くか、余分な演算子を消してください。");
    EXPECT_EQ(findings[1].message,
              "式の21文字目: 「;」の前に値が必要です。値を書くか、余分な演算子を消してください。");
    EXPECT_EQ(findings[4].message, "スクリプトの2行9文字目: 「(」を閉じる「)」が必要な所に「;」"
                                   "があります。括弧の対応を直してください。");
    EXPECT_EQ(findings[5].message,
              "表示開始Ｙ座標の式の最後: 値が必要な所で終わっています。演算子の"
              "後に値を書くか、余分な演算子を消してください。");
    EXPECT_EQ(findings[6].message, "exp:2実行条件の式の8文字目: 文字列の ' が閉じていません。"
                                   "文字列の最後に ' を書いてください。");
    EXPECT_EQ(findings[7].message,
              "OnEnter:2の式の最後: 「(」を閉じる「)」がありません。「)」を書いてください。");
}

TEST(ProjectCheck, EachFaultTheEngineRefusesIsAnErrorOnItsCell) {
    TempFolder temp;
    Project p;
    const auto scene = [&] { return p.Child(p.top); };
    AddTextCell(*scene(), SwType::Macro, "name", " "); // scene 2
    CSwCommand& base = AddTextCell(*scene(), SwType::Layer, "layer", "base");
    base.SetInteger(base.SlotOf("opacity"), 0);
    AddTextCell(*scene(), SwType::ImageLoad, "image", temp.Write("bg/broken.png", Jpeg()));
    CSwCommand& rule =
        AddTextCell(*scene(), SwType::Transition, "rule", temp.Write("r/wipe.bmp", "x"));
    rule.SetText(rule.SlotOf("layer"), "base");
    CSwCommand& particle = AddTextCell(*scene(), SwType::Particle, "image", temp.File("p/snow"));
    particle.SetText(particle.SlotOf("classname"), "snow");
    particle.SetInteger(particle.SlotOf("count"), 1);
    temp.Write("p/snow_0.png", "x");
    CSwScene* pages = scene(); // scene 7
    CSwCommand& load =
        AddTextCell(*pages, SwType::ImageLoad, "image", temp.Write("fg/a.png", Png()));
    load.SetText(load.SlotOf("layer"), "0");
    load.SetInteger(load.SlotOf("surface"), 1);
    CSwCommand& crossfade = AddTextCell(*pages, SwType::Transition, "layer", "0");
    crossfade.SetInteger(crossfade.SlotOf("method"), 1);
    AddTextCell(*scene(), SwType::Eval, "formula", "f.x = = 1");
    AddTextCell(*scene(), SwType::Script, "text", "f.total = f.count + ;");
    scene()->expcond = "f.a = = 1"; // scene 10
    AddTextCell(*scene(), SwType::Tag, "tag", "font face=\"a");
    AddTextCell(*scene(), SwType::Tag, "tag", "jump target=*nowhere");
    CSwScene* map = p.Child(p.top, CScenewrightDoc::kImageMapAsChild); // scene 13
    map->mapimage = temp.Write("m/town.png", Png());
    temp.Write("m/town_p.png", "x");
    p.Child(map);
    p.Child(map);
    EXPECT_EQ(Summary(p.doc), "error 2 0\nerror 3 0\nerror 4 0\nerror 5 0\nerror 6 0\nerror 7 1\n"
                              "error 8 0\nerror 9 0\nerror 10 -1\nerror 11 0\nerror 12 0\n"
                              "error 13 -1\n");
    const std::vector<CheckFinding> findings = CheckProject(p.doc);
    EXPECT_EQ(findings[2].message, "画像 " + temp.File("bg/broken.png") +
                                       " は PNG として読めません。画像を PNG 形式で保存し直してくだ"
                                       "さい。");
    EXPECT_EQ(
        findings[5].message,
        "前景レイヤ0の裏画面に画像を読み込んだ後（シーン番号7 セル0）、表画面を裏画面にコピー"
        "しないまま画面を切り替えるため、表と裏の大きさが違ってエンジンが止まります。画像読込の"
        "前に、このレイヤの「裏画面へ転送」セルを置いてください。");
    EXPECT_EQ(findings[11].message,
              "画像 " + temp.File("m/town_p.png") +
                  " は PNG として読めません。画像を PNG 形式で保存し直してくだ"
                  "さい。");
}

TEST(ProjectCheck, BackPageLoadsNeedTheFrontCopiedBeforeTheirLayersTransition) {
    Project p;
    const auto load = [](CSwScene& scene, const char* layer, int surface = 1) {
        CSwCommand& cell = AddTextCell(scene, SwType::ImageLoad, "layer", layer);
        cell.SetInteger(cell.SlotOf("surface"), surface);
    };
    const auto transition = [](CSwScene& scene, const char* layer, int children = 0) {
        CSwCommand& cell = AddTextCell(scene, SwType::Transition, "layer", layer);
        cell.SetInteger(cell.SlotOf("method"), 1); // a crossfade, which reads no rule
        cell.SetInteger(cell.SlotOf("children"), children);
    };
    const auto copy = [](CSwScene& scene, const char* layer) {
        AddTextCell(scene, SwType::BackLay, "layer", layer);
    };
    CSwScene& first = *p.Child(p.top);
    load(first, "0");
    transition(first, "0"); // 1: nothing copied
    load(first, "");
    transition(first, "base"); // 3: the base alone, loaded as the default layer
    load(first, "2", 0);
    transition(first, "2"); // a load on the front page
    load(first, "0");
    copy(first, "0");
    transition(first, "0"); // copied since the last transition
    load(first, "3");
    transition(first, "base", 1); // the whole screen
    transition(first, "3");
    copy(first, "all");
    load(first, "1");
    transition(first, "1");
    transition(first, "base", 1);
    load(first, "message0", 2);
    // The pages stay as they are in the next scene the build writes.
    transition(*p.Child(p.top), "message0");
    EXPECT_EQ(Summary(p.doc), "error 2 1\nerror 2 3\nerror 3 0\n");
}

TEST(ProjectCheck, PicturesAreReadOnlyWhereTheEngineReadsThem) {
    TempFolder temp;
    Project p;
    const std::string broken = temp.Write("bg/sky.png", Bmp());
    AddTextCell(*p.top, SwType::ImageLoad, "image", broken);
    AddTextCell(*p.top, SwType::ImageLoad, "image", broken);
    AddTextCell(*p.top, SwType::ImageLoad, "image", temp.Write("bg/sky.jpeg", Jpeg()));
    AddTextCell(*p.top, SwType::ImageLoad, "image",
                temp.Write("bg/sky.tlg", "x")); // not ours to read
    // Only the universal method reads its rule, so a crossfade's may be gone.
    CSwCommand& crossfade =
        AddTextCell(*p.top, SwType::Transition, "rule", temp.File("r/missing.png"));
    crossfade.SetInteger(crossfade.SlotOf("method"), 1);
    EXPECT_EQ(Summary(p.doc), "error 1 0\nerror 1 1\n");
    // Mended on disk, the next check sees it.
    temp.Write("bg/sky.png", Png());
    EXPECT_EQ(Summary(p.doc), "");
}

TEST(ProjectCheck, ParticleImagesEndAtTheFirstMissingNumber) {
    TempFolder temp;
    Project p;
    CSwCommand& particle = AddTextCell(*p.top, SwType::Particle, "image", temp.File("p/snow"));
    particle.SetText(particle.SlotOf("classname"), "snow");
    particle.SetInteger(particle.SlotOf("count"), 2147483647);
    temp.Write("p/snow_0.png", Png());
    temp.Write("p/snow_1.bmp", Bmp());
    temp.Write("p/snow_1.txt", "x");
    temp.Write("p/snowy_2.png", "x");
    const std::vector<CheckFinding> findings = CheckProject(p.doc);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].message,
              "パーティクル画像 " + temp.File("p") + "/snow_2.* が見つかりません。");
}

TEST(ProjectCheck, MacroNamesAndTheBaseLayer) {
    Project p;
    for (const char* name : {"", " \t", "clickwait"})
        AddTextCell(*p.top, SwType::Macro, "name", name);
    const auto layer = [&](const char* name, int surface, int opacity, int visible) {
        CSwCommand& cell = AddTextCell(*p.top, SwType::Layer, "layer", name);
        cell.SetInteger(cell.SlotOf("surface"), surface);
        cell.SetInteger(cell.SlotOf("opacity"), opacity);
        cell.SetInteger(cell.SlotOf("visible"), visible);
    };
    layer("base", 0, 0, 2);   // 3
    layer("base", 1, 0, 2);   // 4: comes to the front with the next transition
    layer("base", 2, 128, 1); // 5
    layer("base", 0, -1, 0);  // 6: hidden
    layer("base", 1, 128, 0); // the back page's own
    layer("base", 0, 255, 1);
    layer("0", 0, 0, 0);
    EXPECT_EQ(Summary(p.doc), "error 1 0\nerror 1 1\nerror 1 3\nerror 1 4\nerror 1 5\nerror 1 6\n");
}

TEST(ProjectCheck, JumpTargetsMustExistAndReachTheirScenes) {
    CScenewrightDoc doc;
    CSwScene* first = doc.AddScene(CScenewrightDoc::kNewTopLevel);
    CSwScene* second = doc.AddScene(CScenewrightDoc::kNewTopLevel);
    CSwScene* third = doc.AddScene(CScenewrightDoc::kNewTopLevel);
    CSwScene* fourth = doc.AddScene(CScenewrightDoc::kNewTopLevel);
    for (CSwScene* scene : {first, second, third, fourth})
        AddTextCell(*scene, SwType::Message, "message", "文");
    AddTextCell(*third, SwType::Label, "label", "middle");
    AddTextCell(*first, SwType::Tag, "tag", "call target=*__LABEL_2__");
    AddTextCell(*second, SwType::Tag, "tag", "JUMP  target = \"*middle\"");
    AddTextCell(*first, SwType::Tag, "tag", "jump target=*nowhere");
    AddTextCell(*first, SwType::Tag, "tag", "link target=*__LABEL_9__ cond=f.a");
    AddTextCell(*first, SwType::Tag, "tag", "jump storage=other.ks target=*nowhere");
    AddTextCell(*first, SwType::Tag, "tag", "jump target=&f.where");
    AddTextCell(*first, SwType::Tag, "tag", "jump storage=FIRST.KS target=*__LABEL_END__");
    // Scene 4 only: scenes 2 and 3 are reached through the call and the jump.
    EXPECT_EQ(Summary(doc), "error 1 2\nerror 1 3\nwarning 4 -1\n");
    EXPECT_EQ(CheckProject(doc)[0].message,
              "[jump] の飛び先のラベル *nowhere がありません。ラベル名を"
              "直すか、ラベルセルでそのラベルを作ってください。");
}
