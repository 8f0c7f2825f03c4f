// The KAG text of a scene: its label, its cells and its way out.

#include "document/ScenewrightDoc.h"
#include "model/SwScene.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/TextOutput.h"

namespace {

// An attribute part: a blank, name="value"; empty for an empty value.
std::string Attribute(const char* name, const std::string& value, const char* after = "") {
    if (value.empty())
        return std::string();
    return sw::Format(" %s=\"%s\"%s", name, value.c_str(), after);
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
    WayIn(const CSwScene& child, const char* after)
        : storage(Attribute("storage", child.storage, after)),
          hint(Attribute("hint", child.hint, after)),
          onenter(Attribute("onenter", child.onenter, after)),
          onleave(Attribute("onleave", child.onleave, after)),
          exp(Attribute("exp", child.exp, after)) {}
};

} // namespace

std::string CSwScene::LabelOf(std::int32_t sceneId) { return sw::Format("*__LABEL_%d__", sceneId); }

const CSwScene* CSwScene::Top() const {
    const CSwObj* top = GetTopmost(const_cast<CSwScene*>(this));
    return SwType::IsScene(top->type) ? static_cast<const CSwScene*>(top) : this;
}

bool CSwScene::Build(CTextOutput* file, CScenewrightDoc* doc) {
    if (file == nullptr || !SwType::IsScene(type))
        return false;
    const std::string label = LabelOf(id);
    const CSwScene* top = Top();
    if (recordablelabel != 0 && top->procedure == 0) {
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
            WriteSingleChildJump(file);
        WriteSceneEnd(file);
        return true;
    }
    switch (type) {
    case SwType::SceneBranch: return BuildBranch(file, doc);
    case SwType::SceneImageMap: return BuildImageMap(file, doc);
    default: return BuildChoice(file, doc);
    }
}

bool CSwScene::BuildCells(CTextOutput* file, CScenewrightDoc* doc) {
    const std::string label = LabelOf(id);
    const bool conditional = !expmycond.empty() && !cells.empty();
    if (conditional) {
        file->Printf("[if exp=\"%s\"][jump target=\"%s_exec\"][endif][jump target=\"%s_skip\"]\n",
                     expmycond.c_str(), label.c_str(), label.c_str());
        file->Printf(";\n%s_exec\n;\n", label.c_str());
    }
    for (const auto& cell : cells) {
        if (!cell->Build(file, doc))
            return false;
    }
    if (conditional)
        file->Printf(";\n%s_skip\n;\n", label.c_str());
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

void CSwScene::WriteSingleChildJump(CTextOutput* file) const {
    const CSwScene* only = ChildrenOf(*this).front();
    if (!only->expcond.empty())
        file->Printf("[if exp=\"%s\"]\n", only->expcond.c_str());
    if (!only->exp.empty())
        file->Printf("[eval exp=\"%s\"]\n", only->exp.c_str());
    if (const CSwScene* target = ResolveTarget(const_cast<CSwScene*>(only)))
        file->Printf("[jump target=\"%s\"]\n", LabelOf(target->id).c_str());
    if (!only->expcond.empty())
        file->Write("[endif]\n");
}

bool CSwScene::BuildChoice(CTextOutput* file, CScenewrightDoc* doc) {
    if (clearmsg != 0) {
        file->Write("[iscript]\n");
        file->Write("  kag.back.messages[kag.currentNum].clear2();\n");
        file->Write("  kag.fore.messages[kag.currentNum].clear2();\n");
        file->Write("[endscript]\n");
    }
    file->Write("[nowait]\n");
    for (CSwScene* child : ChildrenOf(*this)) {
        // A dangling link leads nowhere: it gets no link.
        const CSwScene* target = ResolveTarget(child);
        if (!target)
            continue;
        const WayIn way(*child, "");
        const std::string text =
            target->title.empty() ? sw::Format("シーン%dへ", target->id) : target->title;
        const std::string link = sw::Format(
            "[link target=\"%s\"%s%s%s%s%s]%s[endlink][r]", LabelOf(target->id).c_str(),
            way.storage.c_str(), way.hint.c_str(), way.onenter.c_str(), way.onleave.c_str(),
            way.exp.c_str(), text.c_str());
        if (child->expcond.empty())
            file->Printf("%s\n", link.c_str());
        else
            file->Printf("[if%s]%s[endif]\n", Attribute("exp", child->expcond).c_str(), link.c_str());
    }
    file->Write("[endnowait]\n");
    if (!BuildCells(file, doc))
        return false;
    file->Write("[s]\n");
    return true;
}

bool CSwScene::BuildBranch(CTextOutput* file, CScenewrightDoc* doc) {
    if (!BuildCells(file, doc))
        return false;
    for (CSwScene* child : ChildrenOf(*this)) {
        const CSwScene* target = ResolveTarget(child);
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

bool CSwScene::BuildImageMap(CTextOutput* file, CScenewrightDoc* doc) {
    const std::string areaPath = sw::paths::Join(doc ? doc->GetProjectRoot() : "",
                                                 "others/" + sw::paths::StemOf(mapimage) + ".ma");
    const std::string lay = Attribute("layer", layer);
    file->Printf("[image %s visible=true storage=\"%s\" page=%s]\n", lay.c_str(), mapimage.c_str(),
                 "fore");
    if (!BuildCells(file, doc))
        return false;
    file->Write("[s]\n");

    const std::vector<CSwScene*> children = ChildrenOf(*this);
    for (CSwScene* child : children) {
        const CSwScene* target = ResolveTarget(child);
        if (!target || child->clickfreemapimage == 0)
            continue;
        file->Printf(";\n%s\n;\n", sw::Format("*__LABEL_via_%d__", target->id).c_str());
        file->Printf("[freeimage %s page=fore]\n", lay.c_str());
        file->Printf("[jump target=\"%s\"]\n", LabelOf(target->id).c_str());
    }

    CStringOutput areas;
    int number = 0;
    for (CSwScene* child : children) {
        ++number;
        const CSwScene* target = ResolveTarget(child);
        if (!target)
            continue;
        const WayIn way(*child, ";");
        const std::string label = child->clickfreemapimage != 0
                                      ? sw::Format("*__LABEL_via_%d__", target->id)
                                      : LabelOf(target->id);
        const std::string parts = way.storage + way.hint + way.onenter + way.onleave + way.exp;
        if (child->expcond.empty())
            areas.Printf("%d:%s target=\"%s\";\n", number, parts.c_str(), label.c_str());
        else
            areas.Printf("%d: if (%s) { %s target=\"%s\"; }\n", number,
                         Attribute("cond", child->expcond).c_str(), parts.c_str(), label.c_str());
    }
    // An area file that cannot be written is passed over: the scenario is complete.
    sw::files::WriteFileAtomically(areaPath, areas.Text());
    return true;
}
