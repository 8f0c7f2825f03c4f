#include "document/ScenewrightDoc.h"
#include "model/cells/SwBgmCommands.h"
#include "model/cells/SwFixedTagCommand.h"
#include "model/cells/SwLayerCommands.h"
#include "model/cells/SwScriptCommands.h"
#include "model/cells/SwTransition.h"
#include "platform/TextOutput.h"
#include "support/BuildingDoc.h"
#include "support/CellFixture.h"

#include <gtest/gtest.h>

TEST(LayerCells, LayerSettingsWriteOnlyTheAttributesThatAreSet) {
    CSwLayer layer;
    layer.SetText(CSwLayer::kLayer, "message0");
    layer.SetInteger(CSwLayer::kLeft, 10);
    layer.SetInteger(CSwLayer::kTop, 20);
    EXPECT_EQ(BuildText(layer), "[layopt layer=message0 left=10 top=20   page=fore]\n"
                                "[position layer=message0 left=10 top=20      page=fore]\n");

    layer.SetInteger(CSwLayer::kVisible, 1);
    layer.SetInteger(CSwLayer::kOpacity, 128);
    layer.SetInteger(CSwLayer::kVertical, 0);
    layer.SetInteger(CSwLayer::kColor, 0x00996633); // 0xRRGGBB 0x336699
    layer.SetInteger(CSwLayer::kSurface, 2);
    EXPECT_EQ(BuildText(layer),
              "[layopt layer=message0 left=10 top=20 opacity=128 visible=true page=back]\n"
              "[position layer=message0 left=10 top=20   opacity=128  vertical=false page=back]\n"
              "[layopt layer=message0 left=10 top=20 opacity=128 visible=true page=fore]\n"
              "[position layer=message0 left=10 top=20   opacity=128  vertical=false page=fore]\n");
    layer.SetInteger(CSwLayer::kSetCol, 1);
    layer.SetInteger(CSwLayer::kSurface, 1);
    EXPECT_NE(BuildText(layer).find(" color=0x336699 vertical=false page=back]\n"),
              std::string::npos);

    // Picture layers get no position tag: the engine would apply it to
    // message layer 0.
    for (const char* picture : {"0", "base"}) {
        layer.SetText(CSwLayer::kLayer, picture);
        EXPECT_EQ(
            BuildText(layer),
            sw::Format("[layopt layer=%s left=10 top=20 opacity=128 visible=true page=back]\n",
                       picture));
    }

    // An empty layer stops the scene without writing anything.
    CSwLayer empty;
    CStringOutput out(false);
    EXPECT_FALSE(empty.Build(&out, nullptr));
    EXPECT_EQ(out.Text(), "");

    CSwCurrentLayer current;
    current.SetText(CSwCurrentLayer::kLayer, "message1");
    current.SetInteger(CSwCurrentLayer::kSurface, 2);
    EXPECT_EQ(BuildText(current), "[current layer=message1 withback=false page=back]\n"
                                  "[current layer=message1 withback=false page=fore]\n");
    current.SetInteger(CSwCurrentLayer::kWithBack, 1);
    current.SetInteger(CSwCurrentLayer::kSurface, 0);
    EXPECT_EQ(BuildText(current), "[current layer=message1 withback=true page=fore]\n");

    CSwBackLay backlay;
    EXPECT_EQ(BuildText(backlay), "[backlay]\n");
    backlay.SetText(CSwBackLay::kLayer, "1");
    EXPECT_EQ(BuildText(backlay), "[backlay layer=1]\n");
    backlay.SetText(CSwBackLay::kLayer, "");
    EXPECT_FALSE(backlay.Build(&out, nullptr));
}

TEST(LayerCells, LayerSettingsRecordKeepsItsOrderAndColour) {
    auto cell = ReadCell(R"(<clct>
  <id>5</id>
  <type>103</type>
  <layer>"0"</layer>
  <color>0x00336699</color>
  <visible>0x1</visible>
  <setcol>7</setcol>
  <left>010</left>
</clct>
)");
    ASSERT_TRUE(cell);
    auto& layer = static_cast<CSwLayer&>(*cell);
    EXPECT_EQ(layer.Integer(CSwLayer::kColor), 0x00996633);
    EXPECT_EQ(layer.Integer(CSwLayer::kLeft), 8); // octal, as the reader takes a leading 0
    EXPECT_EQ(layer.Integer(CSwLayer::kSetCol), 1);
    EXPECT_EQ(Written(layer), R"(<clct>
  <id>5</id>
  <type>103</type>
  <parent_id>0</parent_id>
  <child_id>0</child_id>
  <prev_id>0</prev_id>
  <next_id>0</next_id>
  <comment>""</comment>
  <layer>"0"</layer>
  <surface>0</surface>
  <left>8</left>
  <top>-1</top>
  <width>-1</width>
  <height>-1</height>
  <opacity>-1</opacity>
  <color>0x00336699</color>
  <visible>1</visible>
  <setcol>1</setcol>
  <vertical>2</vertical>
</clct>
)");
}

TEST(MediaCells, ImagesGoToTheFolderOfTheirLayer) {
    BuildingDoc b;
    const std::string picture = b.temp.Write("art/bg01.png", "bg");
    CSwImageLoad image;
    image.SetText(CSwImageLoad::kLayer, "");
    image.SetText(CSwImageLoad::kImage, picture);
    EXPECT_EQ(BuildText(image, &b.doc), "[image layer=base storage=\"bg01.png\" page=fore]\n");
    EXPECT_EQ(b.Game("bgimage/bg01.png"), "bg");
    EXPECT_EQ(b.log.lines.back(), "ok: シーン番号7: " + picture + " を bgimage にコピー。");

    image.SetText(CSwImageLoad::kLayer, "message0");
    image.SetInteger(CSwImageLoad::kSurface, 2);
    EXPECT_EQ(BuildText(image, &b.doc), "[image layer=message0 storage=\"bg01.png\" page=back]\n"
                                        "[image layer=message0 storage=\"bg01.png\" page=fore]\n");
    EXPECT_EQ(b.Game("fgimage/bg01.png"), "bg");
    image.SetInteger(CSwImageLoad::kSurface, -1);
    EXPECT_EQ(BuildText(image, &b.doc), "[image layer=message0 storage=\"bg01.png\" page=back]\n");

    // No file: a warning, nothing written, the scene goes on.
    image.SetText(CSwImageLoad::kImage, "");
    EXPECT_EQ(BuildText(image, &b.doc), "");
    EXPECT_EQ(b.log.lines.back(),
              "warning: シーン番号7: 画像 ファイルが指定されていません。処理をスキップします。");
    // A file that cannot be copied stops the scene with status 5.
    image.SetText(CSwImageLoad::kImage, b.temp.File("art/missing.png"));
    CStringOutput out(false);
    EXPECT_FALSE(image.Build(&out, &b.doc));
    EXPECT_EQ(out.Text(), "");
    EXPECT_EQ(b.doc.GetBuildStatus(), SwBuildStatus::MediaCopyFailed);
}

TEST(MediaCells, BackgroundMusicPlaysAndStops) {
    BuildingDoc b;
    CSwBgmPlay play;
    play.SetText(CSwBgmPlay::kStorage, b.temp.Write("snd/theme.ogg", "ogg"));
    play.SetInteger(CSwBgmPlay::kLoop, 1);
    EXPECT_EQ(BuildText(play, &b.doc), "[playbgm storage=\"theme.ogg\" loop=true]\n");
    EXPECT_EQ(b.Game("bgm/theme.ogg"), "ogg");
    play.SetInteger(CSwBgmPlay::kFadeIn, 1);
    play.SetInteger(CSwBgmPlay::kLoop, 0);
    EXPECT_EQ(BuildText(play, &b.doc), "[fadeinbgm storage=\"theme.ogg\" loop=false time=0]\n");
    play.SetText(CSwBgmPlay::kStorage, "");
    EXPECT_EQ(BuildText(play, &b.doc), "");
    EXPECT_EQ(b.log.lines.back(),
              "warning: シーン番号7: BGM ファイルが指定されていません。処理をスキップします。");

    CSwBgmStop stop;
    stop.SetInteger(CSwBgmStop::kTime, 500);
    EXPECT_EQ(BuildText(stop), "[stopbgm]\n");
    stop.SetInteger(CSwBgmStop::kFadeOut, 1);
    stop.SetInteger(CSwBgmStop::kTime, 0);
    EXPECT_EQ(BuildText(stop), "[fadeoutbgm time=1]\n");
}

TEST(ScriptCells, VariablesEvalLabelsAndMacros) {
    CSwClearUserVariables user;
    CSwClearSystemVariables system;
    EXPECT_EQ(BuildText(user) + BuildText(system), "[clearvar]\n[clearsysvar]\n");
    EXPECT_TRUE(Written(*user.Clone()).ends_with("<comment>\"\"</comment>\n</clct>\n"));

    CSwEval eval;
    eval.SetText(CSwEval::kFormula, "f.flag = 1");
    EXPECT_EQ(BuildText(eval), "[eval exp=\"f.flag = 1\"]\n");
    eval.SetText(CSwEval::kFormula, "f.name = \"太郎\" + `ソ`");
    EXPECT_EQ(BuildText(eval), "[eval exp=\"f.name = `\"太郎`\" + ``ソ``\"]\n");

    CSwMacro macro;
    macro.SetText(CSwMacro::kName, "foo");
    macro.SetText(CSwMacro::kText, "[cm]\n[l]");
    EXPECT_EQ(BuildText(macro), "[macro name=\"foo\"]\n[cm]\n[l]\n[endmacro]\n");
    macro.SetText(CSwMacro::kName, "a\"b");
    macro.SetText(CSwMacro::kText, "[font color=\"0xFF\"]");
    EXPECT_EQ(BuildText(macro), "[macro name=\"a`\"b\"]\n[font color=\"0xFF\"]\n[endmacro]\n");

    CScenewrightDoc doc;
    CSwScene top, inner;
    top.id = 1;
    inner.id = 2;
    inner.parent = &top;
    top.child = &inner;
    CSwLabel label;
    label.SetText(CSwLabel::kLabel, "start");
    label.SetText(CSwLabel::kHeadline, "第一章");
    CStringOutput out(false);
    EXPECT_FALSE(label.Build(&out, &doc)); // no scene being built
    doc.SetBuildingScene(&inner);
    EXPECT_EQ(BuildText(label, &doc), "*start|第一章\n");
    inner.recordablelabel = 0;
    EXPECT_EQ(BuildText(label, &doc), "*start\n");
    inner.recordablelabel = 1;
    top.procedure = 1;
    EXPECT_EQ(BuildText(label, &doc), "*start\n");
}

TEST(TransitionCell, MethodsAndTheirTexts) {
    BuildingDoc b;
    CSwTransition trans;
    trans.SetText(CSwTransition::kLayer, "base");
    trans.SetInteger(CSwTransition::kTime, 1000);
    trans.SetText(CSwTransition::kRule, b.temp.Write("art/r01.png", "rule"));
    trans.SetInteger(CSwTransition::kVague, 64);
    EXPECT_EQ(BuildText(trans, &b.doc), "[trans layer=base children=false time=1000 "
                                        "method=\"universal\" rule=\"r01.png\" vague=64 ]\n[wt]\n");
    EXPECT_EQ(b.Game("rule/r01.png"), "rule");
    EXPECT_EQ(b.log.lines.back(),
              "ok: シーン番号7: " + trans.Text(CSwTransition::kRule) + " を rule にコピー。");

    trans.SetText(CSwTransition::kLayer, "0");
    trans.SetInteger(CSwTransition::kMethod, CSwTransition::kCrossfade);
    EXPECT_EQ(BuildText(trans), "[trans layer=0 time=1000 method=\"crossfade\" ]\n[wt]\n");
    trans.SetText(CSwTransition::kLayer, "message0");
    trans.SetInteger(CSwTransition::kMethod, CSwTransition::kScroll);
    trans.SetInteger(CSwTransition::kFrom, 5);
    trans.SetInteger(CSwTransition::kStay, 4);
    EXPECT_EQ(BuildText(trans), "[trans layer=message0 time=1000 method=\"scroll\" from=\"top\" "
                                "stay=\"stayfore\" ]\n[wt]\n");
    EXPECT_STREQ(CSwTransition::FromName(-1), "bottom");
    EXPECT_STREQ(CSwTransition::StayName(INT32_MIN), "stayfore");
    trans.SetText(CSwTransition::kLayer, "");
    trans.SetInteger(CSwTransition::kMethod, 3);
    trans.SetInteger(CSwTransition::kTime, -5);
    EXPECT_EQ(BuildText(trans), "[trans layer= time=-5 ]\n[wt]\n");
    trans.SetText(CSwTransition::kLayer, "Base");
    EXPECT_EQ(BuildText(trans), "[trans layer=Base time=-5 ]\n[wt]\n");

    // Universal without a rule image cannot run: error, status 5, nothing written.
    trans.SetInteger(CSwTransition::kMethod, CSwTransition::kUniversal);
    trans.SetText(CSwTransition::kRule, "");
    CStringOutput out(false);
    EXPECT_FALSE(trans.Build(&out, &b.doc));
    EXPECT_EQ(out.Text(), "");
    EXPECT_EQ(b.doc.GetBuildStatus(), SwBuildStatus::MediaCopyFailed);
    EXPECT_EQ(b.log.lines.back(), "error: シーン番号7:  のコピーに失敗。");
}

TEST(TransitionCell, RulePathIsStoredRelativeAndEscaped) {
    TempFolder temp;
    CScenewrightDoc doc;
    ASSERT_TRUE(doc.WriteProjectFile(temp.File("p.swo").c_str()));
    auto cell = ReadCell(R"(<clct>
  <id>9</id>
  <type>105</type>
  <surface>3</surface>
  <rule>"rules/a&amp;b&lt;1&gt;.png"</rule>
</clct>
)",
                         doc.GetProjectFileFolder());
    ASSERT_TRUE(cell);
    auto& trans = static_cast<CSwTransition&>(*cell);
    EXPECT_EQ(trans.Text(CSwTransition::kRule), temp.File("rules/a&b<1>.png"));
    EXPECT_EQ(trans.Integer(CSwTransition::kSurface), 1);
    const std::string written = Written(trans, doc.GetProjectFileFolder());
    EXPECT_NE(written.find("  <layer>\"\"</layer>\n  <surface>1</surface>\n  "
                           "<children>0</children>\n  <time>0</time>\n"
                           "  <method>0</method>\n  "
                           "<rule>\"./rules/a&amp;b&lt;1&gt;.png\"</rule>\n  <vague>0</vague>\n"
                           "  <from>0</from>\n  <stay>0</stay>\n</clct>\n"),
              std::string::npos)
        << written;
    // Copies carry every field.
    auto copy = trans.CreateCopy(&trans);
    EXPECT_EQ(Written(*copy, doc.GetProjectFileFolder()), written);
}
