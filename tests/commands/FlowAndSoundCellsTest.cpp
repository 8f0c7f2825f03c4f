#include "commands/SwCharacter.h"
#include "commands/SwDialogue.h"
#include "commands/SwFixedTagCommand.h"
#include "commands/SwFlowCommands.h"
#include "commands/SwPluginCommands.h"
#include "commands/SwSoundEffectCommands.h"
#include "document/ScenewrightDoc.h"
#include "support/BuildingDoc.h"
#include "support/CellFixture.h"

#include <gtest/gtest.h>

namespace {
// Builds a cell that must fail: nothing may reach the scenario.
void ExpectFailsSilently(CSwObj& cell, CScenewrightDoc* doc) {
    CStringOutput out(false);
    EXPECT_FALSE(cell.Build(&out, doc));
    EXPECT_EQ(out.Text(), "");
}

void AddCharacter(CScenewrightDoc& doc, const char* last, const char* first) {
    auto character = std::make_unique<CSwCharacter>();
    character->SetText(CSwCharacter::kLastName, last);
    character->SetText(CSwCharacter::kFirstName, first);
    doc.GetSettings().AddCharacter(std::move(character));
}
} // namespace

TEST(DialogueCell, SpeakerBracketsColourAndVoice) {
    BuildingDoc b;
    AddCharacter(b.doc, "山田", "一郎");
    AddCharacter(b.doc, "[謎]", "");
    CSwDialogue line;
    line.SetText(CSwDialogue::kMessage, "こんにちは");
    EXPECT_EQ(BuildText(line, &b.doc), R"([history output=true]
[cm]
[font color=0xFFFFFF]
「こんにちは」[font color=default]
[p]
)");
    line.SetInteger(CSwDialogue::kCharInf, 1);
    line.SetInteger(CSwDialogue::kBracketType, 4);
    line.SetInteger(CSwDialogue::kColor, 0x000000FF); // red in the low byte
    line.SetInteger(CSwDialogue::kClean, 0);
    line.SetInteger(CSwDialogue::kLogMsg, 0);
    line.SetText(CSwDialogue::kMessage, "誰だ？[r]");
    EXPECT_EQ(BuildText(line, &b.doc), R"([history output=false]
[font color=0xFF0000]
[[謎]【誰だ？[r]】[font color=default]
[l][r]
)");
    // The voice goes into `sound` and plays before the line; its wait comes last.
    line.SetInteger(CSwDialogue::kCharInf, 0);
    line.SetInteger(CSwDialogue::kBracketType, 1);
    line.SetInteger(CSwDialogue::kBufNo, 2);
    line.SetText(CSwDialogue::kVoice, b.temp.Write("voice/v\"01.wav", "RIFF"));
    EXPECT_EQ(BuildText(line, &b.doc), R"([playse storage="v`"01.wav" buf=2 loop=false]
[history output=false]
[font color=0xFF0000]
山田一郎（誰だ？[r]）[font color=default]
[ws buf=2 canskip=true]
[l][r]
)");
    EXPECT_EQ(b.Game("sound/v\"01.wav"), "RIFF");
    line.SetText(CSwDialogue::kVoice, b.temp.File("voice/gone.wav"));
    ExpectFailsSilently(line, &b.doc);
    EXPECT_EQ(b.log.lines.back(),
              "error: シーン番号7: " + b.temp.File("voice/gone.wav") + " のコピーに失敗。");
    EXPECT_EQ(b.doc.GetBuildStatus(), SwBuildStatus::MediaCopyFailed);

    EXPECT_EQ(CSwDialogue::BracketTypeOf("（"), 1);
    EXPECT_EQ(CSwDialogue::BracketTypeOf("「あ"), -1);
    EXPECT_EQ(CSwDialogue::BracketTypeOf(""), -1);
}

TEST(SoundEffectCells, PlayOnBuffersAndStop) {
    BuildingDoc b;
    CSwSePlay play;
    play.SetText(CSwSePlay::kStorage, b.temp.Write("se/name.wav", "wav"));
    play.SetInteger(CSwSePlay::kLoop, 1);
    EXPECT_EQ(BuildText(play, &b.doc), "[playse storage=\"name.wav\" buf=0 loop=true]\n");
    EXPECT_EQ(b.Game("sound/name.wav"), "wav");
    play.SetInteger(CSwSePlay::kFadeIn, 1);
    play.SetInteger(CSwSePlay::kLoop, 0);
    play.SetInteger(CSwSePlay::kBufNo, 3);
    EXPECT_EQ(BuildText(play, &b.doc), "[fadeinse storage=\"name.wav\" buf=3 loop=false time=0]\n");
    play.SetText(CSwSePlay::kStorage, "");
    EXPECT_EQ(BuildText(play, &b.doc), "");
    EXPECT_EQ(b.log.lines.back(),
              "warning: シーン番号7: SE ファイルが指定されていません。処理をスキップします。");
    play.SetText(CSwSePlay::kStorage, b.temp.File("se/missing.wav"));
    ExpectFailsSilently(play, &b.doc);
    EXPECT_EQ(b.doc.GetBuildStatus(), SwBuildStatus::MediaCopyFailed);

    CSwSeStop stop;
    stop.SetInteger(CSwSeStop::kTime, 800);
    EXPECT_EQ(BuildText(stop), "[stopse buf=0]\n");
    stop.SetInteger(CSwSeStop::kFadeOut, 1);
    stop.SetInteger(CSwSeStop::kTime, -5);
    stop.SetInteger(CSwSeStop::kBufNo, 1);
    EXPECT_EQ(BuildText(stop), "[fadeoutse buf=1 time=1]\n");
}

TEST(FlowCells, RightClickQuakeAndFixedTags) {
    CScenewrightDoc doc;
    auto scene = std::make_unique<CSwScene>();
    scene->id = 12;
    doc.AdoptScene(std::move(scene));
    CSwRightClick rclick;
    ExpectFailsSilently(rclick, &doc); // callto_id 0
    rclick.SetInteger(CSwRightClick::kCallToId, 12);
    EXPECT_EQ(BuildText(rclick, &doc),
              "[rclick call=true enabled=true target=\"*__LABEL_12__\"]\n");
    rclick.SetInteger(CSwRightClick::kCall, 0);
    EXPECT_EQ(BuildText(rclick, &doc),
              "[rclick jump=true enabled=true target=\"*__LABEL_12__\"]\n");

    CSwQuake quake;
    EXPECT_EQ(BuildText(quake), "[quake time=0 timemode=ms hmax=10 vmax=10]\n[wq]\n");
    quake.SetInteger(CSwQuake::kTime, 20);
    quake.SetInteger(CSwQuake::kTimeMode, CSwQuake::kCharacters);
    quake.SetInteger(CSwQuake::kHMax, -3);
    quake.SetInteger(CSwQuake::kIsWait, 0);
    EXPECT_EQ(BuildText(quake), "[quake time=20 timemode=delay hmax=-3 vmax=10]\n");

    CSwReturn back;
    CSwStartAnchor anchor;
    CSwShutdown end;
    CSwStopQuake stop;
    EXPECT_EQ(BuildText(back) + BuildText(anchor) + BuildText(end) + BuildText(stop),
              "[return]\n[startanchor enabled=true]\n[eval exp=\"kag.shutdown()\"]\n[stopquake]\n");
    EXPECT_FALSE(back.Build(nullptr, &doc));
}

TEST(PluginTagScriptCells, ModulesAreCopiedAndAuthorTextPassesThrough) {
    BuildingDoc b;
    CSwPlugin plugin;
    ExpectFailsSilently(plugin, &b.doc); // no path
    EXPECT_EQ(b.log.lines.back(), "error: シーン番号7:  のコピーに失敗。");
    EXPECT_EQ(b.doc.GetBuildStatus(), SwBuildStatus::MediaCopyFailed);
    plugin.SetText(CSwPlugin::kPath, b.temp.Write("dll/extrans.dll", "MZ"));
    const std::size_t logged = b.log.lines.size();
    EXPECT_EQ(BuildText(plugin, &b.doc), "[loadplugin module=\"extrans.dll\"]\n");
    EXPECT_EQ(b.Game("extrans.dll"), "MZ");
    EXPECT_EQ(b.log.lines.size(), logged); // no ok line for a module

    CSwTag tag;
    tag.SetText(CSwTag::kTag, "wait time=500");
    EXPECT_EQ(BuildText(tag), "[wait time=500]\n");
    tag.SetText(CSwTag::kTag, "[font color=\"0xFF\"]");
    EXPECT_EQ(BuildText(tag), "[[font color=\"0xFF\"]]\n");
    CSwScript script;
    EXPECT_EQ(BuildText(script), "[iscript]\n\n[endscript]\n");
}

namespace {
// A fresh cell's base lines around the record's own lines.
std::string Record(int type, const char* own) {
    return "<clct>\n  <id>1</id>\n  <type>" + std::to_string(type) +
           "</type>\n  <parent_id>0</parent_id>\n  <child_id>0</child_id>\n  <prev_id>0</prev_id>\n"
           "  <next_id>0</next_id>\n  <comment>\"\"</comment>\n" +
           own + "</clct>\n";
}
} // namespace

TEST(FlowAndSoundRecords, EveryTypeReadsAndWritesBackByteForByte) {
    TempFolder temp;
    CScenewrightDoc doc;
    ASSERT_TRUE(doc.WriteProjectFile(temp.File("p.swo").c_str()));
    const std::string records[] = {
        Record(112, R"(  <message>"&lt;a&gt; &quot;b&quot;
[r]"</message>
  <logmsg>0</logmsg>
  <charinf>3</charinf>
  <brackettype>-1</brackettype>
  <clean>0</clean>
  <color>16711680</color>
  <voice>"./voice/v01.wav"</voice>
  <bufno>2</bufno>
)"),
        Record(110, "  <bufno>1</bufno>\n  <storage>\"./se/door.wav\"</storage>\n"
                    "  <fadein>1</fadein>\n  <time>300</time>\n  <loop>1</loop>\n"),
        Record(111, "  <bufno>1</bufno>\n  <fadeout>1</fadeout>\n  <time>-5</time>\n"),
        Record(116, "  <time>500</time>\n  <timemode>1</timemode>\n  <hmax>4</hmax>\n"
                    "  <vmax>0</vmax>\n  <iswait>0</iswait>\n"),
        Record(118, "  <callto_id>10</callto_id>\n  <call>0</call>\n"),
        Record(115, "  <path>\"./plugin/extrans.dll\"</path>\n"),
        Record(128, "  <tag>\"font color=&quot;0xFF&quot; &amp; &lt;\"</tag>\n"),
        Record(127, R"(  <text>"if (f.a &lt; 1 &amp;&amp; f.b &gt; 2)
  f.c = &quot;表&quot;;"</text>
)"),
        Record(107, ""),
        Record(117, ""),
        Record(119, ""),
        Record(120, ""),
    };
    for (const std::string& record : records) {
        auto cell = ReadCell(record, &doc);
        ASSERT_TRUE(cell) << record;
        EXPECT_EQ(Written(*cell, &doc), record);
        EXPECT_EQ(Written(*cell->CreateCopy(cell.get()), &doc), record);
        auto clone = cell->Clone();
        clone->id = 1;
        EXPECT_EQ(Written(*clone, &doc), record);
    }
    const auto dialogue = ReadCell(records[0], &doc);
    EXPECT_EQ(static_cast<CSwDialogue&>(*dialogue).Text(CSwDialogue::kVoice),
              temp.File("voice/v01.wav"));
    EXPECT_EQ(static_cast<CSwDialogue&>(*dialogue).Integer(CSwDialogue::kColor), 0x000000FF);
    // A decimal colour drops the bits that are no part of a colour.
    auto read = ReadCell("<clct><id>1</id><type>112</type><color>0x7F00FF00</color></clct>");
    EXPECT_EQ(static_cast<CSwDialogue&>(*read).Integer(CSwDialogue::kColor), 0x0000FF00);
}
