#include "model/cells/CommandCatalogue.h"

#include <algorithm>

namespace {
const CommandTypeInfo kCatalogue[] = {
    {102, "文章", "文章", nullptr},
    {112, "会話", "会話", nullptr},
    {103, "レイヤ", "レイヤ", nullptr},
    {123, "カレントレイヤ", "カレントレイヤ", nullptr},
    {104, "画像読込", "画像読込", nullptr},
    {105, "画像切替", "画像切替", nullptr},
    {106, "裏画面へ転送", "裏画面にコピー", nullptr},
    {124, "ラベル", "ラベル", nullptr},
    {121, "user変数消去", "user変数消去", nullptr},
    {122, "system変数消去", "system変数消去", nullptr},
    {107, "終了", "終了", nullptr},
    {108, "BGM", "BGM再生", nullptr},
    {109, "BGM終了", "BGM終了", nullptr},
    {110, "SE", "SE再生", nullptr},
    {111, "SE終了", "SE終了", nullptr},
    {114, "式", "式", nullptr},
    {115, "プラグイン", "プラグイン", nullptr},
    {126, "KAGプラグイン", "KAGプラグイン", nullptr},
    {125, "パーティクルプラグイン", "パーティクルプラグイン", nullptr},
    {128, "タグ", "タグ", nullptr},
    {127, "ＴＪＳ", "ＴＪＳ", nullptr},
    {129, "マクロ", "マクロ", nullptr},
    {116, "地震", "地震", nullptr},
    {117, "地震終了", "地震終了", nullptr},
    {118, "右クリック", "右クリック", "マウスの右クリックイベントを処理します。"},
    {119, "リターン", "リターン", "サブルーチンコールから戻ります。"},
    {120, "開始位置", "開始位置", "「最初に戻る」の戻り先です。"},
    {113, nullptr, nullptr, nullptr},
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
