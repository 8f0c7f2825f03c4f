#include "commands/CreateObject.h"
#include "commands/SwCharacter.h"
#include "commands/SwCommand.h"
#include "document/LogLine.h"
#include "document/ProjectCheck.h"
#include "document/ScenewrightDoc.h"
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
    EXPECT_EQ(Summary(doc), "warning 2 -1\n"     // a branch without children
                            "error 3 -1\n"       // the link has no target yet
                            "warning 4 -1\n"     // a dead end
                            "warning 4 -1\n");   // that nothing reaches
    link->linkto = apart;
    EXPECT_EQ(Summary(doc), "warning 2 -1\nwarning 4 -1\n");
    EXPECT_EQ(CheckProject(doc)[0].message,
              "条件分岐シーンに子シーンが無いため、ここでゲームが止まります。");
}

TEST(ProjectCheck, MediaFilesMapRegionsAndParticleImages) {
    TempFolder temp;
    Project p;
    AddTextCell(*p.top, SwType::ImageLoad, "image", temp.Write("a/Sky.png", "x"));
    AddTextCell(*p.top, SwType::ImageLoad, "image", temp.File("a/missing.png"));
    AddTextCell(*p.top, SwType::BgmPlay, "storage", temp.Write("b/sky.PNG", "x"));
    AddTextCell(*p.top, SwType::ImageLoad, "image", temp.File("a/Sky.png")); // the same file again
    CSwCommand& particle = AddTextCell(*p.top, SwType::Particle, "image", temp.File("p/snow"));
    particle.SetInteger(particle.SlotOf("count"), 2);
    particle.SetText(particle.SlotOf("classname"), "snow");
    temp.Write("p/snow_0.png", "x");
    CSwScene* map = p.Child(p.top, CScenewrightDoc::kImageMapAsChild);
    map->mapimage = temp.Write("m/town.png", "x");
    p.Child(map);
    p.Child(map);
    p.top->procedure = 1;
    EXPECT_EQ(Summary(p.doc), "error 1 1\nwarning 1 2\nerror 1 4\nerror 2 -1\n");
    const std::vector<CheckFinding> findings = CheckProject(p.doc);
    EXPECT_EQ(findings[0].message, "ファイル " + temp.File("a/missing.png") + " が見つかりません。");
    EXPECT_EQ(findings[2].message, "パーティクル画像 " + temp.File("p") + "/snow_1.* が見つかりません。");

    temp.Write("m/town_p.bmp", "x");
    temp.Write("p/snow_1.jpg", "x");
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
}

TEST(ProjectCheck, MacroBodiesAndParticleClassNames) {
    Project p;
    AddTextCell(*p.top, SwType::Macro, "text", "[l][r]\n;*not a label");
    AddTextCell(*p.top, SwType::Macro, "text", "x\n\t*inner");
    AddTextCell(*p.top, SwType::Macro, "text", "[ISCRIPT]\nf.a=1;\n[endscript]");
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
    for (const char* none : {"-----ビルド開始-----", "シーン番号0 セル1", "シーン番号x", "シーン番号"})
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

TEST(ProjectCheck, ExpressionsNeedClosedQuotesAndBrackets) {
    Project p;
    for (const char* fine : {"f.a = (f.b + 1) * 2", "f.s = \"(\\\"\"", "f.t = 'ソ)' + [1, {}][0]",
                             "f.u = \"表\""})
        AddTextCell(*p.top, SwType::Eval, "formula", fine);
    EXPECT_EQ(Summary(p.doc), "");

    p.top->cells.clear();
    for (const char* faulty : {"f.a = (1", "f.a = 1)", "f.s = \"x", "f.a = [1)", "f.s = 'a\\'"})
        AddTextCell(*p.top, SwType::Eval, "formula", faulty);
    CSwScene* child = p.Child(p.top);
    child->expcond = "f.a == 'x";
    child->onenter = "f.b = (1";
    child->exp = "f.c = 1";
    EXPECT_EQ(Summary(p.doc), "error 1 0\nerror 1 1\nerror 1 2\nerror 1 3\nerror 1 4\n"
                              "error 2 -1\nerror 2 -1\n");
    EXPECT_EQ(CheckProject(p.doc)[5].message, "expcond の式の引用符または括弧が対応していません。");
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
    EXPECT_EQ(CheckProject(doc)[0].message, "[jump] の飛び先のラベル *nowhere がありません。");
}
