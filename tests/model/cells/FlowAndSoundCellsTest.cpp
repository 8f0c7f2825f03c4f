#include "document/ScenewrightDoc.h"
#include "model/cells/CreateObject.h"
#include "model/cells/SwCharacter.h"
#include "model/cells/SwDialogue.h"
#include "model/cells/SwFlowCommands.h"
#include "model/cells/SwPluginCommands.h"
#include "model/cells/SwSoundEffectCommands.h"
#include "support/BuildingDoc.h"
#include "support/CellFixture.h"

#include <gtest/gtest.h>

#include <utility>

namespace {
void SetIntegers(CSwCommand& cell, std::initializer_list<std::pair<std::size_t, int>> values) {
    for (const auto& [slot, value] : values)
        cell.SetInteger(slot, value);
}

// Builds a cell that must fail: nothing may reach the scenario.
void ExpectFailsSilently(CSwObj& cell, CScenewrightDoc* doc) {
    CStringOutput out(false);
    EXPECT_FALSE(cell.Build(&out, doc));
    EXPECT_EQ(out.Text(), "");
}
} // namespace

TEST(DialogueCell, SpeakerBracketsColourAndVoice) {
    BuildingDoc b;
    auto speaker = std::make_unique<CSwCharacter>();
    speaker->SetText(CSwCharacter::kLastName, "[謎]");
    b.doc.GetSettings().AddCharacter(std::move(speaker));
    CSwDialogue line;
    line.SetText(CSwDialogue::kMessage, "こんにちは");
    EXPECT_EQ(BuildText(line, &b.doc), R"([history output=true]
[cm]
[font color=0xFFFFFF]
「こんにちは」[font color=default]
[p]
)");
    // The voice is copied into `sound` and plays before the line; its wait comes last.
    SetIntegers(line, {{CSwDialogue::kCharInf, 0},
                       {CSwDialogue::kBracketType, 4},
                       {CSwDialogue::kColor, 0xFF},
                       {CSwDialogue::kClean, 0},
                       {CSwDialogue::kLogMsg, 0},
                       {CSwDialogue::kBufNo, 2}});
    line.SetText(CSwDialogue::kMessage, "誰だ？[r]");
    line.SetText(CSwDialogue::kVoice, b.temp.Write("voice/v\"01.wav", "RIFF"));
    EXPECT_EQ(BuildText(line, &b.doc), R"([playse storage="v`"01.wav" buf=2 loop=false]
[history output=false]
[font color=0xFF0000]
[[謎]【誰だ？[r]】[font color=default]
[ws buf=2 canskip=true]
[l][r]
)");
    EXPECT_EQ(b.Game("sound/v\"01.wav"), "RIFF");
    // A speaker past the list and brackets past the table are left out.
    SetIntegers(line, {{CSwDialogue::kCharInf, 1}, {CSwDialogue::kBracketType, 5}});
    EXPECT_NE(BuildText(line, &b.doc).find("]\n誰だ？[r][font"), std::string::npos);
    line.SetText(CSwDialogue::kVoice, b.temp.File("voice/gone.wav"));
    ExpectFailsSilently(line, &b.doc);
    EXPECT_EQ(b.doc.GetBuildStatus(), SwBuildStatus::MediaCopyFailed);

    EXPECT_EQ(CSwDialogue::BracketTypeOf("（"), 1);
    EXPECT_EQ(CSwDialogue::BracketTypeOf("「あ"), -1);
}

TEST(SoundEffectCells, PlayOnBuffersAndStop) {
    BuildingDoc b;
    CSwSePlay play;
    play.SetText(CSwSePlay::kStorage, b.temp.Write("se/name.wav", "wav"));
    play.SetInteger(CSwSePlay::kLoop, 1);
    EXPECT_EQ(BuildText(play, &b.doc), "[playse storage=\"name.wav\" buf=0 loop=true]\n");
    EXPECT_EQ(b.Game("sound/name.wav"), "wav");
    SetIntegers(play, {{CSwSePlay::kFadeIn, 1}, {CSwSePlay::kLoop, 0}, {CSwSePlay::kBufNo, 3}});
    EXPECT_EQ(BuildText(play, &b.doc), "[fadeinse storage=\"name.wav\" buf=3 loop=false time=0]\n");

    CSwSeStop stop;
    stop.SetInteger(CSwSeStop::kTime, 800);
    EXPECT_EQ(BuildText(stop), "[stopse buf=0]\n");
    SetIntegers(stop, {{CSwSeStop::kFadeOut, 1}, {CSwSeStop::kTime, -5}, {CSwSeStop::kBufNo, 1}});
    EXPECT_EQ(BuildText(stop), "[fadeoutse buf=1 time=1]\n");
}

TEST(FlowCells, RightClickQuakeAndFixedTags) {
    CScenewrightDoc doc;
    doc.AdoptScene(std::make_unique<CSwScene>())->id = 12;
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
    SetIntegers(quake, {{CSwQuake::kTime, 20},
                        {CSwQuake::kTimeMode, CSwQuake::kCharacters},
                        {CSwQuake::kHMax, -3},
                        {CSwQuake::kIsWait, 0}});
    EXPECT_EQ(BuildText(quake), "[quake time=20 timemode=delay hmax=-3 vmax=10]\n");

    std::string fixed;
    for (int type : {SwType::Return, SwType::StartAnchor, SwType::Shutdown, SwType::StopQuake})
        fixed += BuildText(*CreateObject(type));
    EXPECT_EQ(fixed,
              "[return]\n[startanchor enabled=true]\n[eval exp=\"kag.shutdown()\"]\n[stopquake]\n");
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
    tag.SetText(CSwTag::kTag, "[font color=\"0xFF\"]");
    EXPECT_EQ(BuildText(tag), "[[font color=\"0xFF\"]]\n");
    CSwScript script;
    EXPECT_EQ(BuildText(script), "[iscript]\n\n[endscript]\n");
}

TEST(FlowAndSoundRecords, EveryTypeReadsAndWritesBackByteForByte) {
    TempFolder temp;
    CScenewrightDoc doc;
    ASSERT_TRUE(doc.WriteProjectFile(temp.File("p.swo").c_str()));
    // The own lines of a record of each type, after its type line.
    const std::string own = R"(  <type>112</type>
  <message>"&lt;a&gt; &quot;b&quot;
[r]"</message>
  <logmsg>0</logmsg>
  <charinf>3</charinf>
  <brackettype>-1</brackettype>
  <clean>0</clean>
  <color>16711680</color>
  <voice>"./voice/v01.wav"</voice>
  <bufno>2</bufno>
  <type>110</type>
  <bufno>1</bufno>
  <storage>"./se/door.wav"</storage>
  <fadein>1</fadein>
  <time>300</time>
  <loop>1</loop>
  <type>111</type>
  <bufno>1</bufno>
  <fadeout>1</fadeout>
  <time>-5</time>
  <type>116</type>
  <time>500</time>
  <timemode>1</timemode>
  <hmax>4</hmax>
  <vmax>0</vmax>
  <iswait>0</iswait>
  <type>118</type>
  <callto_id>10</callto_id>
  <call>0</call>
  <type>115</type>
  <path>"./plugin/extrans.dll"</path>
  <type>128</type>
  <tag>"font color=&quot;0xFF&quot; &amp; &lt;"</tag>
  <type>127</type>
  <text>"if (f.a &lt; 1 &amp;&amp; f.b &gt; 2)
  f.c = 1;"</text>
  <type>107</type>
  <type>117</type>
  <type>119</type>
  <type>120</type>
)";
    int records = 0;
    for (std::size_t at = 0; at < own.size(); ++records) {
        const std::size_t next = std::min(own.find("  <type>", at + 1), own.size());
        const std::size_t fields = own.find('\n', at) + 1;
        const std::string record =
            "<clct>\n  <id>1</id>\n" + own.substr(at, fields - at) +
            "  <parent_id>0</parent_id>\n  <child_id>0</child_id>\n  <prev_id>0</prev_id>\n"
            "  <next_id>0</next_id>\n  <comment>\"\"</comment>\n" +
            own.substr(fields, next - fields) + "</clct>\n";
        at = next;
        auto cell = ReadCell(record, doc.GetProjectFileFolder());
        ASSERT_TRUE(cell) << record;
        EXPECT_EQ(Written(*cell, doc.GetProjectFileFolder()), record);
        EXPECT_EQ(Written(*cell->CreateCopy(cell.get()), doc.GetProjectFileFolder()), record);
        if (cell->type != SwType::Dialogue)
            continue;
        const auto& line = static_cast<CSwDialogue&>(*cell);
        EXPECT_EQ(line.Text(CSwDialogue::kVoice), temp.File("voice/v01.wav"));
        EXPECT_EQ(line.Integer(CSwDialogue::kColor), 0xFF);
    }
    EXPECT_EQ(records, 12);
    // A decimal colour drops the bits that are no part of a colour.
    auto read = ReadCell("<clct><id>1</id><type>112</type><color>0x7F00FF00</color></clct>");
    EXPECT_EQ(static_cast<CSwDialogue&>(*read).Integer(CSwDialogue::kColor), 0x0000FF00);
}
