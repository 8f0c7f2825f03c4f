#pragma once

// One labelled section of the scenario: its cells and its way out (choice,
// link to another scene, conditional branch or image map).

#include "model/SwObj.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CSwScene : public CSwObj {
public:
    CSwScene();
    ~CSwScene() override;

    const char* RuntimeClassName() const override { return "SW_CELL"; }
    std::unique_ptr<CSwObj> Clone() const override;
    void UpdateLinkIds() override;
    void ResolveLinks(const CObjectIndex& objects) override;
    int FindKey(std::string_view name) const override;
    CSwObj* SetAttribute(const CXmlNode& node, std::string_view folder, CSwObj* target,
                         const std::string& name, const std::string& text) const override;
    std::unique_ptr<CSwObj> CreateCopy(const CSwObj* source) const override;
    bool WriteXmlOf(std::string_view folder, CTextOutput* file,
                    const CSwObj* object) const override;
    // The scene's KAG section (model/SwSceneScript.cpp).
    bool Build(CTextOutput* file, CBuildContext* doc) override;
    // Build, told the outermost scene of the tree (null: not known), so that
    // a walk down a deep tree need not climb it again for every scene.
    bool BuildInTree(CTextOutput* file, CBuildContext* doc, const CSwScene* top);

    void Reset();
    void Assign(const CSwScene& source);
    static bool IsScene(std::int32_t candidate) { return SwType::IsScene(candidate); }

    int AddCell(std::unique_ptr<CSwObj> cell);
    CSwObj* GetCellAt(int index) const { return cells[static_cast<std::size_t>(index)].get(); }
    int GetCellCount() const { return static_cast<int>(cells.size()); }

    // Mean x over the sibling chain holding `scene`, from its first sibling.
    // The outermost scene of this scene's tree.
    const CSwScene* Top() const;
    // Labels in this scene are save points (written with a headline): the
    // scene allows it and its tree is no procedure.
    bool HasSavePointLabels() const { return recordablelabel != 0 && Top()->procedure == 0; }
    // The scene a link scene stands for, following chains of link scenes;
    // the scene itself when it is no link scene; null for a dangling link
    // and for a chain that loops (`loops` then tells which).
    static CSwScene* ResolveTarget(CSwScene* scene, bool* loops = nullptr);

    CSwScene* linkto;
    std::int32_t linkto_id;
    std::int32_t x;
    std::int32_t y;
    struct Region {
        std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    } region;
    // Which chart layout last reached this scene; never copied or saved.
    mutable std::uint32_t layoutPass = 0;
    // Changes whenever anything the scene's project-file text holds may
    // have changed (MarkChanged); 0 for a scene never marked. Never copied.
    std::uint64_t revision = 0;
    void MarkChanged();
    std::int32_t select;
    std::vector<std::unique_ptr<CSwObj>> cells;
    std::string title;
    std::string linkname;
    std::string storage;
    std::string exp;
    std::string expcond;
    std::string expmycond;
    std::string onenter;
    std::string onleave;
    std::string hint;
    std::string mapimage;
    std::string layer;
    std::int32_t clickfreemapimage;
    std::int32_t clearmsg;
    std::int32_t recordablelabel;
    std::int32_t procedure;

    // The labels the build writes, which the check and the preview look for.
    static std::string LabelOf(std::int32_t sceneId);
    // Where a scene with a condition goes when it holds, or does not.
    static std::string ExecLabelOf(std::int32_t sceneId) { return LabelOf(sceneId) + "_exec"; }
    static std::string SkipLabelOf(std::int32_t sceneId) { return LabelOf(sceneId) + "_skip"; }
    // Before a link target's own label, for an image map's free click.
    static std::string ViaLabelOf(std::int32_t sceneId);
    // The section after the last scene.
    static constexpr const char kEndLabel[] = "*__LABEL_END__";
    static constexpr const char kEndLabelLine[] = "*__LABEL_END__|ラベルEND";
    // A scene with a condition jumps past its cells when it does not hold.
    bool HasConditionalCells() const { return !expmycond.empty() && !cells.empty(); }

    // What the section writes before its cells for its way out: a choice's
    // links, an image map's picture. Nothing for other scenes.
    bool BuildHead(CTextOutput* file, CBuildContext* doc);
    // The image map's picture shown on its layer, and taken away again.
    bool WriteMapImage(CTextOutput* file, CBuildContext* doc, std::string& storage);
    void WriteMapFree(CTextOutput* file) const;

private:
    // Top() while BuildInTree runs; never copied or saved.
    const CSwScene* m_buildTop = nullptr;
    bool BuildCells(CTextOutput* file, CBuildContext* doc);
    void WriteSceneEnd(CTextOutput* file) const;
    void WriteSingleChildJump(CTextOutput* file, CBuildContext* doc) const;
    bool BuildChoice(CTextOutput* file, CBuildContext* doc);
    void WriteChoiceLinks(CTextOutput* file, CBuildContext* doc);
    bool BuildBranch(CTextOutput* file, CBuildContext* doc);
    bool BuildImageMap(CTextOutput* file, CBuildContext* doc);
    // ResolveTarget for the way into `child`, warning of a looping chain.
    const CSwScene* TargetOfChild(CSwScene* child, CBuildContext* doc) const;
    bool CopyMapPictures(CBuildContext* doc, std::string& storage) const;
    bool WriteAreaFile(CBuildContext* doc, const std::string& name,
                       const std::vector<CSwScene*>& children,
                       const std::vector<const CSwScene*>& targets) const;
};
