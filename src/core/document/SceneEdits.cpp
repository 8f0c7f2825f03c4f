#include "document/SceneEdits.h"

#include "document/ProjectEdit.h"
#include "document/ScenewrightDoc.h"

namespace sw::scenes {

namespace {

std::string& Member(CSwScene& scene, Text field) {
    switch (field) {
    case Text::Title:
        return scene.title;
    case Text::Exp:
        return scene.exp;
    case Text::ExpCond:
        return scene.expcond;
    case Text::ExpMyCond:
        return scene.expmycond;
    case Text::OnEnter:
        return scene.onenter;
    case Text::OnLeave:
        return scene.onleave;
    case Text::Hint:
        return scene.hint;
    case Text::MapImage:
        return scene.mapimage;
    case Text::Layer:
        break;
    }
    return scene.layer;
}

std::int32_t& Member(CSwScene& scene, Flag field) {
    switch (field) {
    case Flag::ClearMsg:
        return scene.clearmsg;
    case Flag::RecordableLabel:
        return scene.recordablelabel;
    case Flag::Procedure:
        return scene.procedure;
    case Flag::ClickFreeMapImage:
        break;
    }
    return scene.clickfreemapimage;
}

// Edits of one field follow each other as the author types: one step.
int MergeKeyOf(Text field) {
    return 1 + static_cast<int>(field);
}

} // namespace

const std::string& TextOf(const CSwScene& scene, Text field) {
    return Member(const_cast<CSwScene&>(scene), field);
}

bool FlagOf(const CSwScene& scene, Flag field) {
    return Member(const_cast<CSwScene&>(scene), field) != 0;
}

bool SetText(CScenewrightDoc& doc, CSwScene& scene, Text field, std::string_view value) {
    std::string& member = Member(scene, field);
    if (member == value)
        return false;
    CProjectEdit edit(doc, SwEdit::SceneProperties);
    edit.TouchScene(scene);
    edit.SetMergeKey(MergeKeyOf(field));
    member = value;
    return edit.Commit();
}

bool SetFlag(CScenewrightDoc& doc, CSwScene& scene, Flag field, bool on) {
    std::int32_t& member = Member(scene, field);
    if ((member != 0) == on)
        return false;
    if (field == Flag::Procedure && scene.parent)
        return false;
    if (field == Flag::RecordableLabel && scene.Top()->procedure != 0)
        return false;
    CProjectEdit edit(doc, SwEdit::SceneProperties);
    edit.TouchScene(scene);
    if (field == Flag::Procedure && !on)
        scene.recordablelabel = 0;
    member = on ? 1 : 0;
    return edit.Commit();
}

bool SetLinkTarget(CScenewrightDoc& doc, CSwScene& scene, CSwScene* target, std::string& refusal) {
    refusal.clear();
    if (!target || target == &scene) {
        refusal = "存在しないID、自分自身は、実体として指定出来ません。";
        return false;
    }
    if (target->type == SwType::SceneLink) {
        refusal = "他へのリンクは、実体として指定出来ません。";
        return false;
    }
    if (scene.linkto == target)
        return false;
    CProjectEdit edit(doc, SwEdit::SceneProperties);
    edit.TouchScene(scene);
    scene.linkto = target;
    scene.linkto_id = target->id;
    return edit.Commit();
}

} // namespace sw::scenes
