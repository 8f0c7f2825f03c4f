#include "model/cells/CellSummary.h"
#include "model/SwSettings.h"
#include "model/cells/CommandCatalogue.h"
#include "model/cells/CreateObject.h"
#include "model/cells/SwCharacter.h"
#include "model/cells/SwCommand.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// A cell of `type` with the fields given by key.
std::unique_ptr<CSwObj> Cell(std::int32_t type, const std::map<std::string, std::string>& texts,
                             const std::map<std::string, std::int32_t>& integers = {}) {
    auto cell = CreateObject(type);
    auto& command = dynamic_cast<CSwCommand&>(*cell);
    for (const auto& [key, value] : texts)
        command.SetText(command.SlotOf(key), value);
    for (const auto& [key, value] : integers)
        command.SetInteger(command.SlotOf(key), value);
    return cell;
}

} // namespace

// The list reads as the scene: words, names of files and layers, never a
// path cut off before its name.
TEST(CellSummary, EachTypeShowsWhatTheAuthorReads) {
    CSwSettings settings;
    auto taro = CreateObject(SwType::Character);
    dynamic_cast<CSwCommand&>(*taro).SetText(CSwCharacter::kFirstName, "太郎");
    settings.AddCharacter(std::move(taro));

    const struct {
        std::unique_ptr<CSwObj> cell;
        std::string content;
        std::string tooltip;
    } cases[] = {
        {Cell(SwType::Message, {{"message", "一行目\r\n二行目\r\n"}}), "一行目 二行目",
         "一行目\r\n二行目\r\n"},
        {Cell(SwType::Dialogue, {{"message", "おはよう。"}, {"voice", "/v/taro01.ogg"}},
              {{"charinf", 0}}),
         "「太郎」おはよう。", "「太郎」おはよう。\n音声: /v/taro01.ogg"},
        {Cell(SwType::Dialogue, {{"message", "誰？"}}, {{"charinf", -1}, {"brackettype", 1}}),
         "（誰？）", "（誰？）"},
        {Cell(SwType::ImageLoad, {{"image", "/art/bg/sky.png"}, {"layer", "base"}}),
         "sky.png（背景レイヤ）", "sky.png（背景レイヤ）\n/art/bg/sky.png"},
        {Cell(SwType::ImageLoad, {{"layer", "1"}}), "（ファイルなし）（前景レイヤ1）",
         "（ファイルなし）（前景レイヤ1）"},
        {Cell(SwType::BgmPlay, {{"storage", "/m/theme.ogg"}}, {{"fadein", 1}, {"time", 1500}}),
         "theme.ogg（フェードイン 1500ms）", "theme.ogg（フェードイン 1500ms）\n/m/theme.ogg"},
        {Cell(SwType::SePlay, {{"storage", "C:\\se\\door.wav"}}), "door.wav",
         "door.wav\nC:\\se\\door.wav"},
        {Cell(SwType::BgmStop, {}, {{"fadeout", 1}, {"time", 2000}}), "フェードアウト 2000ms",
         "フェードアウト 2000ms"},
        {Cell(SwType::Transition, {{"layer", "0"}}, {{"method", 1}, {"time", 500}}),
         "クロスフェード 500ms（前景レイヤ0）", "クロスフェード 500ms（前景レイヤ0）"},
        {Cell(SwType::Transition, {{"layer", "base"}, {"rule", "/r/wipe.png"}},
              {{"method", 0}, {"time", 800}}),
         "ユニバーサル wipe.png 800ms（背景レイヤ）",
         "ユニバーサル wipe.png 800ms（背景レイヤ）\nルール画像: /r/wipe.png"},
        {Cell(SwType::Layer, {{"layer", "message1"}}), "メッセージレイヤ1", "メッセージレイヤ1"},
        {Cell(SwType::BackLay, {}), "(全レイヤ)", "(全レイヤ)"},
        {Cell(SwType::Label, {{"label", "opening"}, {"headline", "序章"}}), "opening|序章",
         "opening|序章"},
        {Cell(SwType::Eval, {{"formula", "f.x = 1"}}), "f.x = 1", "f.x = 1"},
        {Cell(SwType::Tag, {{"tag", "wait time=200"}}), "[wait time=200]", "[wait time=200]"},
        {Cell(SwType::Plugin, {{"path", "/p/extrans.dll"}}), "extrans.dll",
         "extrans.dll\n/p/extrans.dll"},
        {Cell(SwType::Quake, {}, {{"time", 300}, {"hmax", 6}, {"vmax", 3}}), "300ms 横6 縦3",
         "300ms 横6 縦3"},
        {Cell(SwType::RightClick, {}, {{"callto_id", 10}, {"call", 1}}), "シーン番号10 をコール",
         "シーン番号10 をコール"},
        {Cell(SwType::Return, {}), "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        const CellSummary summary = SummarizeCell(*c.cell, settings);
        EXPECT_EQ(summary.content, c.content);
        EXPECT_EQ(summary.tooltip, c.tooltip);
    }
    // Every type of the catalogue has a summary (and none fails).
    for (const CommandTypeInfo& info : CommandCatalogue())
        SummarizeCell(*CreateObject(info.type), settings);
}
