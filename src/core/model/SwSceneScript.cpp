// The KAG text of a scene: its label, its cells and its way out.

#include "model/AssetCopy.h"
#include "model/BuildContext.h"
#include "model/SwScene.h"
#include "platform/Files.h"
#include "platform/KagText.h"
#include "platform/Paths.h"
#include "platform/TextOutput.h"
#include "platform/TjsText.h"

namespace {

using Escape = std::string (*)(std::string_view);

// An attribute part: a blank, name="value"; empty for an empty value. Scenario
// tags take the KAG escape; area files are TJS and take the TJS one.
std::string Attribute(const char* name, const std::string& value, const char* after = "",
                      Escape escape = EscapeKagAttribute) {
    if (value.empty())
        return std::string();
    return sw::Format(" %s=\"%s\"%s", name, escape(value).c_str(), after);
}

std::vector<CSwScene*> ChildrenOf(const CSwScene& scene) {
    std::vector<CSwScene*> children;
    for (CSwObj* c = CSwObj::GetFirstSibling(scene.child); c; c = c->next) {
        if (SwType::IsScene(c->type))
            children.push_back(static_cast<CSwScene*>(c));
    }
    return children;
}

// The attribute parts of the way into `child` that links and areas share.
struct WayIn {
    std::string storage, hint, onenter, onleave, exp;
    WayIn(const CSwScene& child, const char* after, Escape escape)
        : storage(Attribute("storage", child.storage, after, escape)),
          hint(Attribute("hint", child.hint, after, escape)),
          onenter(Attribute("onenter", child.onenter, after, escape)),
          onleave(Attribute("onleave", child.onleave, after, escape)),
          exp(Attribute("exp", child.exp, after, escape)) {}
    std::string Joined() const { return storage + hint + onenter + onleave + exp; }
};

} // namespace

std::string CSwScene::ViaLabelOf(std::int32_t sceneId) {
    return sw::Format("*__LABEL_via_%d__", sceneId);
}

std::string CSwScene::LabelOf(std::int32_t sceneId) {
    return sw::Format("*__LABEL_%d__", sceneId);
}

const CSwScene* CSwScene::Top() const {
    if (m_buildTop)
        return m_buildTop;
    const CSwObj* top = GetTopmost(const_cast<CSwScene*>(this));
    return SwType::IsScene(top->type) ? static_cast<const CSwScene*>(top) : this;
}

const CSwScene* CSwScene::TargetOfChild(CSwScene* child, CBuildContext* doc) const {
    bool loops = false;
    const CSwScene* target = ResolveTarget(child, &loops);
    if (loops && doc)
        doc->PostLogLine(
            SwLog::Warning,
            sw::Format(
                "シーン番号%d: リンクシーン%dのリンク先が循環しているため、つながりを無視します。",
                id, child->id));
    return target;
}

bool CSwScene::BuildInTree(CTextOutput* file, CBuildContext* doc, const CSwScene* top) {
    m_buildTop = top;
    const bool built = Build(file, doc);
    m_buildTop = nullptr;
    return built;
}

bool CSwScene::Build(CTextOutput* file, CBuildContext* doc) {
    if (file == nullptr || !SwType::IsScene(type))
        return false;
    const std::string label = LabelOf(id);
    const CSwScene* top = Top();
    if (HasSavePointLabels()) {
        if (title.empty())
            file->Printf(";\n%s|\n;\n", label.c_str());
        else
            file->Printf(";\n%s|%s\n;\n", label.c_str(), title.c_str());
    } else {
        file->Printf(";\n%s\n;\n", label.c_str());
    }
    if (top->id == id && procedure != 0) {
        file->Write(";一時的に栞として状態をメモリに保存(デフォルトの0番に)\n");
        file->Write("[tempsave]\n");
    }

    const int children = type == SwType::SceneLink ? 0 : GetChildCount(this);
    if (children < 2) {
        if (!BuildCells(file, doc))
            return false;
        if (children == 1)
            WriteSingleChildJump(file, doc);
        WriteSceneEnd(file);
        return true;
    }
    switch (type) {
    case SwType::SceneBranch:
        return BuildBranch(file, doc);
    case SwType::SceneImageMap:
        return BuildImageMap(file, doc);
    default:
        return BuildChoice(file, doc);
    }
}

bool CSwScene::BuildCells(CTextOutput* file, CBuildContext* doc) {
    const bool conditional = HasConditionalCells();
    if (conditional) {
        file->Printf("[if%s][jump target=\"%s\"][endif][jump target=\"%s\"]\n",
                     Attribute("exp", expmycond).c_str(), ExecLabelOf(id).c_str(),
                     SkipLabelOf(id).c_str());
        file->Printf(";\n%s\n;\n", ExecLabelOf(id).c_str());
    }
    const CBuildContext::BuildRedirect* redirect = doc ? doc->GetBuildRedirect() : nullptr;
    for (const auto& cell : cells) {
        if (redirect && redirect->beforeCell)
            redirect->beforeCell(*cell);
        if (!cell->Build(file, doc))
            return false;
    }
    if (conditional)
        file->Printf(";\n%s\n;\n", SkipLabelOf(id).c_str());
    return true;
}

void CSwScene::WriteSceneEnd(CTextOutput* file) const {
    const CSwScene* top = Top();
    if (top->procedure == 0) {
        file->Write("[s]\n");
        return;
    }
    file->Write("[tempload bgm=false se=false backlay=false]");
    file->Printf("[rclick call=true target=\"%s\" enabled=true]\n", LabelOf(top->id).c_str());
    file->Write("[return]\n");
}

void CSwScene::WriteSingleChildJump(CTextOutput* file, CBuildContext* doc) const {
    CSwScene* only = ChildrenOf(*this).front();
    if (!only->expcond.empty())
        file->Printf("[if%s]\n", Attribute("exp", only->expcond).c_str());
    if (!only->exp.empty())
        file->Printf("[eval%s]\n", Attribute("exp", only->exp).c_str());
    if (const CSwScene* target = TargetOfChild(only, doc))
        file->Printf("[jump target=\"%s\"]\n", LabelOf(target->id).c_str());
    if (!only->expcond.empty())
        file->Write("[endif]\n");
}

bool CSwScene::BuildHead(CTextOutput* file, CBuildContext* doc) {
    if (type == SwType::SceneLink || type == SwType::SceneBranch || GetChildCount(this) < 2)
        return true;
    if (type == SwType::SceneImageMap) {
        std::string storage;
        return WriteMapImage(file, doc, storage);
    }
    WriteChoiceLinks(file, doc);
    return true;
}

void CSwScene::WriteChoiceLinks(CTextOutput* file, CBuildContext* doc) {
    if (clearmsg != 0) {
        file->Write("[iscript]\n");
        file->Write("  kag.back.messages[kag.currentNum].clear2();\n");
        file->Write("  kag.fore.messages[kag.currentNum].clear2();\n");
        file->Write("[endscript]\n");
    }
    file->Write("[nowait]\n");
    for (CSwScene* child : ChildrenOf(*this)) {
        // A dangling link leads nowhere: it gets no link.
        const CSwScene* target = TargetOfChild(child, doc);
        if (!target)
            continue;
        const WayIn way(*child, "", EscapeKagAttribute);
        const std::string text = target->title.empty() ? sw::Format("シーン%dへ", target->id)
                                                       : EscapeKagText(target->title);
        const std::string link =
            sw::Format("[link target=\"%s\"%s]%s[endlink][r]", LabelOf(target->id).c_str(),
                       way.Joined().c_str(), text.c_str());
        if (child->expcond.empty())
            file->Printf("%s\n", link.c_str());
        else
            file->Printf("[if%s]%s[endif]\n", Attribute("exp", child->expcond).c_str(),
                         link.c_str());
    }
    file->Write("[endnowait]\n");
}

bool CSwScene::BuildChoice(CTextOutput* file, CBuildContext* doc) {
    WriteChoiceLinks(file, doc);
    if (!BuildCells(file, doc))
        return false;
    file->Write("[s]\n");
    return true;
}

bool CSwScene::BuildBranch(CTextOutput* file, CBuildContext* doc) {
    if (!BuildCells(file, doc))
        return false;
    for (CSwScene* child : ChildrenOf(*this)) {
        const CSwScene* target = TargetOfChild(child, doc);
        if (!target)
            continue;
        const std::string cond = Attribute("exp", child->expcond);
        if (!cond.empty())
            file->Printf("[if %s]\n", cond.c_str());
        if (!child->exp.empty())
            file->Printf("[eval %s]\n", Attribute("exp", child->exp).c_str());
        file->Printf("[jump %s target=\"%s\"]\n", Attribute("storage", child->storage).c_str(),
                     LabelOf(target->id).c_str());
        if (!cond.empty())
            file->Write("[endif]\n");
    }
    WriteSceneEnd(file);
    return true;
}

// The map picture goes into `image` with its region picture <name>_p.*,
// which the engine finds by the picture's name, as it finds the area file.
bool CSwScene::CopyMapPictures(CBuildContext* doc, std::string& storage) const {
    const MediaCopy picture = CopyMedia(doc, mapimage, "イメージマップ画像", "image");
    storage = picture.copiedName;
    if (!picture.proceed || storage.empty())
        return picture.proceed;
    const std::string regionPattern = sw::paths::FolderOf(sw::paths::ToForwardSlashes(mapimage)) +
                                      sw::paths::StemOf(mapimage) + "_p.*";
    std::vector<std::string> copied;
    if (sw::files::FindFiles(sw::paths::FolderOf(regionPattern),
                             sw::paths::FileNameOf(regionPattern))
            .empty())
        return true;
    if (CopyAssetsMatching(doc, "image", regionPattern, copied)) {
        for (const std::string& name : copied)
            doc->PostLogLine(SwLog::Ok,
                             sw::Format("シーン番号%d: %s を image にコピー。", id,
                                        (sw::paths::FolderOf(regionPattern) + name).c_str()));
        return true;
    }
    ReportFailedCopy(doc, regionPattern);
    return false;
}

bool CSwScene::WriteMapImage(CTextOutput* file, CBuildContext* doc, std::string& storage) {
    storage = mapimage;
    if (doc && !CopyMapPictures(doc, storage))
        return false;
    file->Printf("[image %s visible=true storage=\"%s\" page=%s]\n",
                 Attribute("layer", layer).c_str(), EscapeKagAttribute(storage).c_str(), "fore");
    return true;
}

void CSwScene::WriteMapFree(CTextOutput* file) const {
    file->Printf("[freeimage %s page=fore]\n", Attribute("layer", layer).c_str());
}

bool CSwScene::BuildImageMap(CTextOutput* file, CBuildContext* doc) {
    std::string storage;
    if (!WriteMapImage(file, doc, storage) || !BuildCells(file, doc))
        return false;
    file->Write("[s]\n");

    const std::vector<CSwScene*> children = ChildrenOf(*this);
    std::vector<const CSwScene*> targets;
    for (CSwScene* child : children)
        targets.push_back(TargetOfChild(child, doc));
    for (std::size_t i = 0; i < children.size(); ++i) {
        const CSwScene* target = targets[i];
        if (!target || children[i]->clickfreemapimage == 0)
            continue;
        file->Printf(";\n%s\n;\n", ViaLabelOf(target->id).c_str());
        WriteMapFree(file);
        file->Printf("[jump target=\"%s\"]\n", LabelOf(target->id).c_str());
    }
    if (doc && !doc->IsPreviewing() && !storage.empty())
        return WriteAreaFile(doc, sw::paths::StemOf(storage) + ".ma", children, targets);
    return true;
}

bool CSwScene::WriteAreaFile(CBuildContext* doc, const std::string& name,
                             const std::vector<CSwScene*>& children,
                             const std::vector<const CSwScene*>& targets) const {
    const std::string output = "others/" + name;
    // The area file belongs to one scene; another map picture of the same
    // name would take it over.
    if (const auto earlier = doc->ClaimBuildOutput(output, LabelOf(id)))
        doc->PostLogLine(SwLog::Warning,
                         sw::Format("シーン番号%d: イメージマップの画像名がシーン番号%dと同じため、"
                                    "エリアファイル %s を上書きします。",
                                    id, earlier->sceneId, output.c_str()));
    CStringOutput areas;
    for (std::size_t i = 0; i < children.size(); ++i) {
        const CSwScene* child = children[i];
        const CSwScene* target = targets[i];
        const int number = static_cast<int>(i) + 1;
        if (!target)
            continue;
        const std::string parts = WayIn(*child, ";", EscapeTjsString).Joined();
        const std::string label =
            child->clickfreemapimage != 0 ? ViaLabelOf(target->id) : LabelOf(target->id);
        if (child->expcond.empty())
            areas.Printf("%d:%s target=\"%s\";\n", number, parts.c_str(), label.c_str());
        else
            areas.Printf("%d: if (%s) { %s target=\"%s\"; }\n", number, child->expcond.c_str(),
                         parts.c_str(), label.c_str());
    }
    // An area file that cannot be written is passed over: the scenario is
    // complete. One refused for a link out of the game folder is not.
    std::string refused;
    if (!sw::files::WriteBelowRoot(doc->GetProjectRoot(), output, areas.Text(), false, &refused) &&
        !refused.empty()) {
        doc->SetBuildStatus(SwBuildStatus::OutputUnwritable);
        doc->PostLogLine(SwLog::Error,
                         sw::Format("シーン番号%d: ", id) + LinkOutOfRootMessage(refused));
        return false;
    }
    return true;
}
