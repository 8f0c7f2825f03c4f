#include "model/cells/CommandCatalogue.h"

#include "model/cells/SwBgmCommands.h"
#include "model/cells/SwCharacter.h"
#include "model/cells/SwDialogue.h"
#include "model/cells/SwFixedTagCommand.h"
#include "model/cells/SwFlowCommands.h"
#include "model/cells/SwKagPlugin.h"
#include "model/cells/SwLayerCommands.h"
#include "model/cells/SwMessage.h"
#include "model/cells/SwParticle.h"
#include "model/cells/SwPluginCommands.h"
#include "model/cells/SwScriptCommands.h"
#include "model/cells/SwSoundEffectCommands.h"
#include "model/cells/SwTransition.h"

#include <algorithm>

namespace {

template <typename Cell> std::unique_ptr<CSwObj> Make() {
    return std::make_unique<Cell>();
}

// One row per cell type, in object-tray order. A new type is its own file
// pair (its fields and its build step) and one row here.
const CommandTypeInfo kCatalogue[] = {
    {SwType::Message, "文章", "文章", nullptr, Make<CSwMessage>},
    {SwType::Dialogue, "会話", "会話", nullptr, Make<CSwDialogue>},
    {SwType::Layer, "レイヤ", "レイヤ", nullptr, Make<CSwLayer>},
    {SwType::CurrentLayer, "カレントレイヤ", "カレントレイヤ", nullptr, Make<CSwCurrentLayer>},
    {SwType::ImageLoad, "画像読込", "画像読込", nullptr, Make<CSwImageLoad>},
    {SwType::Transition, "画像切替", "画像切替", nullptr, Make<CSwTransition>},
    {SwType::BackLay, "裏画面へ転送", "裏画面にコピー", nullptr, Make<CSwBackLay>},
    {SwType::Label, "ラベル", "ラベル", nullptr, Make<CSwLabel>},
    {SwType::ClearUserVariables, "user変数消去", "user変数消去", nullptr,
     Make<CSwClearUserVariables>},
    {SwType::ClearSystemVariables, "system変数消去", "system変数消去", nullptr,
     Make<CSwClearSystemVariables>},
    {SwType::Shutdown, "終了", "終了", nullptr, Make<CSwShutdown>},
    {SwType::BgmPlay, "BGM", "BGM再生", nullptr, Make<CSwBgmPlay>},
    {SwType::BgmStop, "BGM終了", "BGM終了", nullptr, Make<CSwBgmStop>},
    {SwType::SePlay, "SE", "SE再生", nullptr, Make<CSwSePlay>},
    {SwType::SeStop, "SE終了", "SE終了", nullptr, Make<CSwSeStop>},
    {SwType::Eval, "式", "式", nullptr, Make<CSwEval>},
    {SwType::Plugin, "プラグイン", "プラグイン", nullptr, Make<CSwPlugin>},
    {SwType::KagPlugin, "KAGプラグイン", "KAGプラグイン", nullptr, Make<CSwKagPlugin>},
    {SwType::Particle, "パーティクルプラグイン", "パーティクルプラグイン", nullptr,
     Make<CSwParticle>},
    {SwType::Tag, "タグ", "タグ", nullptr, Make<CSwTag>},
    {SwType::Script, "ＴＪＳ", "ＴＪＳ", nullptr, Make<CSwScript>},
    {SwType::Macro, "マクロ", "マクロ", nullptr, Make<CSwMacro>},
    {SwType::Quake, "地震", "地震", nullptr, Make<CSwQuake>},
    {SwType::StopQuake, "地震終了", "地震終了", nullptr, Make<CSwStopQuake>},
    {SwType::RightClick, "右クリック", "右クリック", "マウスの右クリックイベントを処理します。",
     Make<CSwRightClick>},
    {SwType::Return, "リターン", "リターン", "サブルーチンコールから戻ります。", Make<CSwReturn>},
    {SwType::StartAnchor, "開始位置", "開始位置", "「最初に戻る」の戻り先です。",
     Make<CSwStartAnchor>},
    {SwType::Character, nullptr, nullptr, nullptr, Make<CSwCharacter>},
};

} // namespace

std::span<const CommandTypeInfo> CommandCatalogue() {
    return kCatalogue;
}

const CommandTypeInfo* FindCommandType(std::int32_t type) {
    auto it = std::find_if(std::begin(kCatalogue), std::end(kCatalogue),
                           [type](const CommandTypeInfo& info) { return info.type == type; });
    return it == std::end(kCatalogue) ? nullptr : &*it;
}
