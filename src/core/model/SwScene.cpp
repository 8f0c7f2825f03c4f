#include "model/SwScene.h"

#include "format/ProjectFile.h"
#include "format/XmlNode.h"
#include "model/BuildContext.h"
#include "model/Values.h"
#include "model/cells/CreateObject.h"
#include "platform/TextOutput.h"

#include <atomic>
#include <unordered_set>

namespace {

namespace Key {
constexpr int SwObject = 11, LinkTo = 12, Select = 14, Title = 15, LinkName = 16, Storage = 17,
              Exp = 18, ExpCond = 19, ExpMyCond = 20, OnEnter = 21, OnLeave = 22, Hint = 23,
              ClearMsg = 24, RecordableLabel = 25, MapImage = 26, Layer = 27,
              ClickFreeMapImage = 28, Procedure = 29;
}

const SwKeyEntry kSceneKeys[] = {
    {"SwObject", Key::SwObject},
    {"linkto", Key::LinkTo},
    {"select", Key::Select},
    {"linkname", Key::LinkName},
    {"storage", Key::Storage},
    {"title", Key::Title},
    {"exp", Key::Exp},
    {"expcond", Key::ExpCond},
    {"expmycond", Key::ExpMyCond},
    {"onenter", Key::OnEnter},
    {"onleave", Key::OnLeave},
    {"hint", Key::Hint},
    {"clearmsg", Key::ClearMsg},
    {"recordablelabel", Key::RecordableLabel},
    {"procedure", Key::Procedure},
    {"mapimage", Key::MapImage},
    {"layer", Key::Layer},
    {"clickfreemapimage", Key::ClickFreeMapImage},
    {"clct", SwKey::Clct},
    {nullptr, 1},
};

std::string CSwScene::*TextFieldOf(int key) {
    switch (key) {
    case Key::Title:
        return &CSwScene::title;
    case Key::LinkName:
        return &CSwScene::linkname;
    case Key::Storage:
        return &CSwScene::storage;
    case Key::Exp:
        return &CSwScene::exp;
    case Key::ExpCond:
        return &CSwScene::expcond;
    case Key::ExpMyCond:
        return &CSwScene::expmycond;
    case Key::OnEnter:
        return &CSwScene::onenter;
    case Key::OnLeave:
        return &CSwScene::onleave;
    case Key::Hint:
        return &CSwScene::hint;
    case Key::Layer:
        return &CSwScene::layer;
    }
    return nullptr;
}

std::int32_t CSwScene::*FlagFieldOf(int key) {
    switch (key) {
    case Key::ClearMsg:
        return &CSwScene::clearmsg;
    case Key::RecordableLabel:
        return &CSwScene::recordablelabel;
    case Key::Procedure:
        return &CSwScene::procedure;
    case Key::ClickFreeMapImage:
        return &CSwScene::clickfreemapimage;
    }
    return nullptr;
}

} // namespace

CSwScene::CSwScene() {
    Reset();
}
CSwScene::~CSwScene() = default;

void CSwScene::Reset() {
    ResetBase();
    type = SwType::SceneChoice;
    linkto = nullptr;
    linkto_id = 0;
    x = y = 0;
    region = Region{};
    select = 0;
    cells.clear();
    title.clear();
    linkname.clear();
    storage.clear();
    exp.clear();
    expcond.clear();
    expmycond.clear();
    onenter.clear();
    onleave.clear();
    hint.clear();
    mapimage.clear();
    layer.clear();
    clickfreemapimage = 1;
    clearmsg = 1;
    recordablelabel = 1;
    procedure = 0;
}

void CSwScene::Assign(const CSwScene& source) {
    if (&source == this)
        return;
    linkto = source.linkto;
    linkto_id = source.linkto_id;
    x = source.x;
    y = source.y;
    region = source.region;
    select = source.select;
    title = source.title;
    linkname = source.linkname;
    storage = source.storage;
    exp = source.exp;
    expcond = source.expcond;
    expmycond = source.expmycond;
    onenter = source.onenter;
    onleave = source.onleave;
    hint = source.hint;
    mapimage = source.mapimage;
    layer = source.layer;
    clickfreemapimage = source.clickfreemapimage;
    clearmsg = source.clearmsg;
    recordablelabel = source.recordablelabel;
    procedure = source.procedure;
    cells.clear();
    for (const auto& cell : source.cells)
        cells.push_back(cell->Clone());
}

void CSwScene::MarkChanged() {
    // Unique across all scenes: a scene made later at a freed scene's address
    // never passes for it.
    static std::atomic<std::uint64_t> next{0};
    revision = ++next;
}

std::unique_ptr<CSwObj> CSwScene::Clone() const {
    auto copy = std::make_unique<CSwScene>();
    copy->Assign(*this);
    return copy;
}

void CSwScene::UpdateLinkIds() {
    CSwObj::UpdateLinkIds();
    linkto_id = linkto ? linkto->id : -1;
}

void CSwScene::ResolveLinks(const CObjectIndex& objects) {
    CSwObj::ResolveLinks(objects);
    if (linkto_id >= 0) {
        CSwObj* target = objects.Find(linkto_id);
        linkto = target && SwType::IsScene(target->type) ? static_cast<CSwScene*>(target) : nullptr;
    }
}

int CSwScene::FindKey(std::string_view name) const {
    return FindKeyIn(kSceneKeys, name);
}

CSwObj* CSwScene::SetAttribute(const CXmlNode& node, std::string_view folder, CSwObj* targetObject,
                               const std::string& name, const std::string& text) const {
    if (CSwObj* known = CSwObj::SetAttribute(node, folder, targetObject, name, text))
        return known;
    const int key = FindKey(name);
    if (key == SwKey::Unknown || key == Key::SwObject || targetObject == nullptr)
        return nullptr;
    auto* target = static_cast<CSwScene*>(targetObject);
    if (auto field = TextFieldOf(key)) {
        target->*field = sw::TrimQuotes(text);
        return target;
    }
    if (auto flag = FlagFieldOf(key)) {
        target->*flag = sw::ParseFlag(text);
        return target;
    }
    switch (key) {
    case Key::LinkTo:
        target->linkto_id = sw::ParseInteger(text);
        break;
    case Key::Select:
        target->select = sw::ParseInteger(text);
        break;
    case Key::MapImage:
        target->mapimage = MakeAbsolutePath(sw::TrimQuotes(text), std::string(folder));
        break;
    case SwKey::Clct:
        target->AddCell(ReadCellElement(node, folder));
        break;
    }
    return target;
}

std::unique_ptr<CSwObj> CSwScene::CreateCopy(const CSwObj* source) const {
    return CopyOrFresh<CSwScene>(source, [](CSwScene& copy, const CSwObj& from) {
        if (SwType::IsScene(from.type))
            copy.Assign(static_cast<const CSwScene&>(from));
    });
}

bool CSwScene::WriteXmlOf(std::string_view folder, CTextOutput* file, const CSwObj* object) const {
    if (file == nullptr || object == nullptr || !SwType::IsScene(object->type))
        return false;
    const auto& scene = static_cast<const CSwScene&>(*object);
    file->Write("<SwObject>\n");
    WriteBaseLines(file, &scene);
    WriteValueLine(file, IntegerValue("linkto", scene.linkto_id));
    WriteValueLine(file, IntegerValue("select", scene.select));
    WriteValueLine(file, TextValue("title", scene.title));
    WriteValueLine(file, TextValue("linkname", scene.linkname));
    WriteValueLine(file, TextValue("storage", scene.storage));
    WriteValueLine(file, TextValue("exp", scene.exp));
    WriteValueLine(file, TextValue("expcond", scene.expcond));
    WriteValueLine(file, TextValue("expmycond", scene.expmycond));
    WriteValueLine(file, TextValue("onenter", scene.onenter));
    WriteValueLine(file, TextValue("onleave", scene.onleave));
    WriteValueLine(file, TextValue("hint", scene.hint));
    WriteValueLine(file, IntegerValue("clearmsg", scene.clearmsg));
    WriteValueLine(file, IntegerValue("recordablelabel", scene.recordablelabel));
    WriteValueLine(file, IntegerValue("procedure", scene.procedure));
    WriteValueLine(file, PathValue("mapimage", scene.mapimage, folder));
    WriteValueLine(file, TextValue("layer", scene.layer));
    WriteValueLine(file, IntegerValue("clickfreemapimage", scene.clickfreemapimage));
    for (const auto& cell : scene.cells)
        cell->WriteXml(folder, file);
    file->Write("</SwObject>\n");
    return true;
}

int CSwScene::AddCell(std::unique_ptr<CSwObj> cell) {
    if (!cell)
        return -1;
    cells.push_back(std::move(cell));
    return static_cast<int>(cells.size()) - 1;
}

CSwScene* CSwScene::ResolveTarget(CSwScene* scene, bool* loops) {
    // A chain of link scenes that loops back leads nowhere.
    std::unordered_set<const CSwScene*> seen;
    if (loops)
        *loops = false;
    while (scene && scene->type == SwType::SceneLink) {
        if (!seen.insert(scene).second) {
            if (loops)
                *loops = true;
            return nullptr;
        }
        scene = scene->linkto;
    }
    return scene;
}
