#include "document/ProjectEdit.h"

#include "document/EditHistory.h"
#include "document/ScenewrightDoc.h"
#include "model/cells/SwCommand.h"
#include "platform/TextOutput.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

// The parts of the document that only recorded steps may change.
class CDocumentEditAccess {
public:
    static std::vector<std::unique_ptr<CSwScene>>& Scenes(CScenewrightDoc& doc) {
        return doc.m_scenes;
    }
    static std::string Snapshot(CScenewrightDoc& doc) { return doc.SnapshotText(); }
    static void Restore(CScenewrightDoc& doc, const std::string& text) {
        doc.RestoreSnapshotText(text);
    }
    static void Record(CScenewrightDoc& doc, SwEdit kind, std::unique_ptr<CEditStep> step) {
        doc.RecordStep(kind, std::move(step));
    }
};

namespace {

using Access = CDocumentEditAccess;

// Objects of a list range and the objects parked beside it, exchanged for
// another range of the same objects: the list ends up holding `wanted`,
// and `parked` whatever of the two ranges it no longer holds.
template <typename Object>
void ExchangeRange(std::vector<std::unique_ptr<Object>>& list, std::size_t offset,
                   std::size_t currentSize, const std::vector<Object*>& wanted,
                   std::vector<std::unique_ptr<Object>>& parked) {
    std::vector<std::unique_ptr<Object>> pool = std::move(parked);
    parked.clear();
    const auto first = list.begin() + static_cast<std::ptrdiff_t>(offset);
    const auto last = first + static_cast<std::ptrdiff_t>(currentSize);
    std::move(first, last, std::back_inserter(pool));
    list.erase(first, last);
    std::unordered_map<const Object*, std::size_t> where;
    where.reserve(pool.size());
    for (std::size_t i = 0; i < pool.size(); ++i)
        where.emplace(pool[i].get(), i);
    std::vector<std::unique_ptr<Object>> placed;
    placed.reserve(wanted.size());
    for (Object* object : wanted) {
        const auto found = where.find(object);
        if (found != where.end() && pool[found->second])
            placed.push_back(std::move(pool[found->second]));
    }
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(offset),
                std::make_move_iterator(placed.begin()), std::make_move_iterator(placed.end()));
    for (auto& left : pool) {
        if (left)
            parked.push_back(std::move(left));
    }
}

// The stretch where two pointer lists differ: the common head and tail cut off.
template <typename Object>
std::size_t TrimCommonEnds(std::vector<Object*>& before, std::vector<Object*>& after) {
    const std::size_t shorter = std::min(before.size(), after.size());
    std::size_t head = 0;
    while (head < shorter && before[head] == after[head])
        ++head;
    std::size_t tail = 0;
    while (tail < shorter - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    before = std::vector<Object*>(before.begin() + static_cast<std::ptrdiff_t>(head),
                                  before.end() - static_cast<std::ptrdiff_t>(tail));
    after = std::vector<Object*>(after.begin() + static_cast<std::ptrdiff_t>(head),
                                 after.end() - static_cast<std::ptrdiff_t>(tail));
    return head;
}

template <typename Object>
std::vector<Object*> PointersOf(const std::vector<std::unique_ptr<Object>>& list) {
    std::vector<Object*> pointers;
    pointers.reserve(list.size());
    for (const auto& object : list)
        pointers.push_back(object.get());
    return pointers;
}

std::string Written(const CSwObj& object) {
    CStringOutput text(false);
    object.WriteXml({}, &text);
    return text.Text();
}

std::size_t CellBytes(const CSwObj& cell) {
    const auto* command = dynamic_cast<const CSwCommand*>(&cell);
    return command ? command->SaveValues().Bytes() : sizeof(CSwObj);
}

// ---- the cells of one scene ----

class CCellListStep : public CEditStep {
public:
    CCellListStep(CSwScene& scene, std::size_t offset, std::vector<CSwObj*> before,
                  std::vector<CSwObj*> after, std::vector<std::unique_ptr<CSwObj>> parked)
        : m_scene(scene), m_offset(offset), m_before(std::move(before)), m_after(std::move(after)),
          m_parked(std::move(parked)) {}
    void Undo(CScenewrightDoc&) override {
        ExchangeRange(m_scene.cells, m_offset, m_after.size(), m_before, m_parked);
        m_scene.MarkChanged();
    }
    void Redo(CScenewrightDoc&) override {
        ExchangeRange(m_scene.cells, m_offset, m_before.size(), m_after, m_parked);
        m_scene.MarkChanged();
    }
    std::size_t Bytes() const override {
        std::size_t bytes = sizeof(*this) + (m_before.size() + m_after.size()) * sizeof(CSwObj*);
        for (const auto& cell : m_parked)
            bytes += CellBytes(*cell);
        return bytes;
    }
    SwUpdate Update() const override {
        return {SwChange::Cells, &m_scene, static_cast<int>(m_offset)};
    }
    // The first cell of the stretch now in place, else the one that took
    // its position.
    const CSwObj* Cell(bool undone) const override {
        const std::vector<CSwObj*>& present = undone ? m_before : m_after;
        if (!present.empty())
            return present.front();
        if (m_scene.cells.empty())
            return nullptr;
        return m_scene.cells[std::min(m_offset, m_scene.cells.size() - 1)].get();
    }

private:
    CSwScene& m_scene;
    std::size_t m_offset;
    std::vector<CSwObj*> m_before, m_after;
    std::vector<std::unique_ptr<CSwObj>> m_parked;
};

// ---- one cell's fields ----

class CCellValuesStep : public CEditStep {
public:
    CCellValuesStep(CSwScene& scene, CSwCommand& cell, CSwCommand::ValueSet before,
                    CSwCommand::ValueSet after)
        : m_scene(scene), m_cell(cell), m_before(std::move(before)), m_after(std::move(after)) {}
    void Undo(CScenewrightDoc&) override {
        m_cell.RestoreValues(m_before);
        m_scene.MarkChanged();
    }
    void Redo(CScenewrightDoc&) override {
        m_cell.RestoreValues(m_after);
        m_scene.MarkChanged();
    }
    std::size_t Bytes() const override {
        return sizeof(*this) + m_before.Bytes() + m_after.Bytes();
    }
    SwUpdate Update() const override {
        const auto at = std::find_if(m_scene.cells.begin(), m_scene.cells.end(),
                                     [&](const auto& cell) { return cell.get() == &m_cell; });
        return {SwChange::Cells, &m_scene, static_cast<int>(at - m_scene.cells.begin())};
    }
    const CSwObj* Cell(bool) const override { return &m_cell; }

private:
    CSwScene& m_scene;
    CSwCommand& m_cell;
    CSwCommand::ValueSet m_before, m_after;
};

// ---- a scene's own fields ----

struct SceneFields {
    std::string title, linkname, storage, exp, expcond, expmycond, onenter, onleave, hint, mapimage,
        layer, comment;
    std::int32_t clickfreemapimage = 0, clearmsg = 0, recordablelabel = 0, procedure = 0;
    CSwScene* linkto = nullptr;
    std::int32_t linkto_id = 0;

    static SceneFields Of(const CSwScene& scene) {
        return {scene.title,
                scene.linkname,
                scene.storage,
                scene.exp,
                scene.expcond,
                scene.expmycond,
                scene.onenter,
                scene.onleave,
                scene.hint,
                scene.mapimage,
                scene.layer,
                scene.comment,
                scene.clickfreemapimage,
                scene.clearmsg,
                scene.recordablelabel,
                scene.procedure,
                scene.linkto,
                scene.linkto_id};
    }
    void ApplyTo(CSwScene& scene) const {
        scene.title = title;
        scene.linkname = linkname;
        scene.storage = storage;
        scene.exp = exp;
        scene.expcond = expcond;
        scene.expmycond = expmycond;
        scene.onenter = onenter;
        scene.onleave = onleave;
        scene.hint = hint;
        scene.mapimage = mapimage;
        scene.layer = layer;
        scene.comment = comment;
        scene.clickfreemapimage = clickfreemapimage;
        scene.clearmsg = clearmsg;
        scene.recordablelabel = recordablelabel;
        scene.procedure = procedure;
        scene.linkto = linkto;
        scene.linkto_id = linkto_id;
    }
    bool operator==(const SceneFields&) const = default;
    std::size_t Bytes() const {
        return sizeof(*this) + title.size() + linkname.size() + storage.size() + exp.size() +
               expcond.size() + expmycond.size() + onenter.size() + onleave.size() + hint.size() +
               mapimage.size() + layer.size() + comment.size();
    }
};

class CSceneFieldsStep : public CEditStep {
public:
    CSceneFieldsStep(CSwScene& scene, SceneFields before, SceneFields after, int mergeKey)
        : m_scene(scene), m_before(std::move(before)), m_after(std::move(after)),
          m_mergeKey(mergeKey) {}
    void Undo(CScenewrightDoc&) override {
        m_before.ApplyTo(m_scene);
        m_scene.MarkChanged();
    }
    void Redo(CScenewrightDoc&) override {
        m_after.ApplyTo(m_scene);
        m_scene.MarkChanged();
    }
    std::size_t Bytes() const override { return m_before.Bytes() + m_after.Bytes(); }
    SwUpdate Update() const override { return {SwChange::SceneFields, &m_scene}; }
    bool Absorb(CEditStep& later) override {
        auto* same = dynamic_cast<CSceneFieldsStep*>(&later);
        if (m_mergeKey == 0 || !same || &same->m_scene != &m_scene ||
            same->m_mergeKey != m_mergeKey)
            return false;
        m_after = std::move(same->m_after);
        return true;
    }

private:
    CSwScene& m_scene;
    SceneFields m_before, m_after;
    int m_mergeKey;
};

// ---- the scene tree: the scene array and the links between scenes ----

struct SceneLinks {
    CSwObj* parent = nullptr;
    CSwObj* child = nullptr;
    CSwObj* prev = nullptr;
    CSwObj* next = nullptr;
    CSwScene* linkto = nullptr;
    std::int32_t linkto_id = 0;

    static SceneLinks Of(const CSwScene& scene) {
        return {scene.parent, scene.child, scene.prev, scene.next, scene.linkto, scene.linkto_id};
    }
    void ApplyTo(CSwScene& scene) const {
        scene.parent = parent;
        scene.child = child;
        scene.prev = prev;
        scene.next = next;
        scene.linkto = linkto;
        scene.linkto_id = linkto_id;
    }
    bool operator==(const SceneLinks&) const = default;
};

struct RelinkedScene {
    CSwScene* scene;
    SceneLinks before, after;
};

class CTreeStep : public CEditStep {
public:
    CTreeStep(std::size_t offset, std::vector<CSwScene*> before, std::vector<CSwScene*> after,
              std::vector<std::unique_ptr<CSwScene>> parked, std::vector<RelinkedScene> links,
              const CSwScene* selectedBefore, const CSwScene* selectedAfter)
        : m_offset(offset), m_before(std::move(before)), m_after(std::move(after)),
          m_parked(std::move(parked)), m_links(std::move(links)), m_selectedBefore(selectedBefore),
          m_selectedAfter(selectedAfter) {}
    void Undo(CScenewrightDoc& doc) override {
        ExchangeRange(Access::Scenes(doc), m_offset, m_after.size(), m_before, m_parked);
        for (const RelinkedScene& link : m_links) {
            link.before.ApplyTo(*link.scene);
            link.scene->MarkChanged();
        }
        m_undone = true;
    }
    void Redo(CScenewrightDoc& doc) override {
        ExchangeRange(Access::Scenes(doc), m_offset, m_before.size(), m_after, m_parked);
        for (const RelinkedScene& link : m_links) {
            link.after.ApplyTo(*link.scene);
            link.scene->MarkChanged();
        }
        m_undone = false;
    }
    std::size_t Bytes() const override {
        std::size_t bytes = sizeof(*this) + m_links.size() * sizeof(RelinkedScene) +
                            (m_before.size() + m_after.size()) * sizeof(CSwScene*);
        for (const auto& scene : m_parked) {
            bytes += sizeof(CSwScene) + scene->title.size();
            for (const auto& cell : scene->cells)
                bytes += CellBytes(*cell);
        }
        return bytes;
    }
    SwUpdate Update() const override {
        return {SwChange::SceneTree, m_undone ? m_selectedBefore : m_selectedAfter};
    }

private:
    std::size_t m_offset;
    std::vector<CSwScene*> m_before, m_after;
    std::vector<std::unique_ptr<CSwScene>> m_parked;
    std::vector<RelinkedScene> m_links;
    const CSwScene* m_selectedBefore;
    const CSwScene* m_selectedAfter;
    bool m_undone = false;
};

// ---- the project settings ----

class CSettingsStep : public CEditStep {
public:
    CSettingsStep(std::unique_ptr<CSwSettings> before, std::unique_ptr<CSwSettings> after)
        : m_before(std::move(before)), m_after(std::move(after)) {}
    void Undo(CScenewrightDoc& doc) override { doc.GetSettings().Assign(*m_before); }
    void Redo(CScenewrightDoc& doc) override { doc.GetSettings().Assign(*m_after); }
    std::size_t Bytes() const override { return 2 * sizeof(CSwSettings); }
    SwUpdate Update() const override { return {SwChange::Settings}; }

private:
    std::unique_ptr<CSwSettings> m_before, m_after;
};

// ---- the whole project, for a change that replaces it ----

class CProjectTextStep : public CEditStep {
public:
    CProjectTextStep(std::string before, std::string after)
        : m_before(std::move(before)), m_after(std::move(after)) {}
    void Undo(CScenewrightDoc& doc) override { Access::Restore(doc, m_before); }
    void Redo(CScenewrightDoc& doc) override { Access::Restore(doc, m_after); }
    std::size_t Bytes() const override { return m_before.size() + m_after.size(); }
    SwUpdate Update() const override { return {SwChange::Opened}; }

private:
    std::string m_before, m_after;
};

// ---- several of the above as one step ----

class CStepGroup : public CEditStep {
public:
    explicit CStepGroup(std::vector<std::unique_ptr<CEditStep>> steps)
        : m_steps(std::move(steps)) {}
    void Undo(CScenewrightDoc& doc) override {
        for (auto step = m_steps.rbegin(); step != m_steps.rend(); ++step)
            (*step)->Undo(doc);
    }
    void Redo(CScenewrightDoc& doc) override {
        for (auto& step : m_steps)
            step->Redo(doc);
    }
    std::size_t Bytes() const override {
        std::size_t bytes = sizeof(*this);
        for (const auto& step : m_steps)
            bytes += step->Bytes();
        return bytes;
    }
    SwUpdate Update() const override { return {SwChange::Project}; }
    const CSwScene* Scene() const override { return m_steps.front()->Update().scene; }
    const CSwObj* Cell(bool undone) const override { return m_steps.front()->Cell(undone); }

private:
    std::vector<std::unique_ptr<CEditStep>> m_steps;
};

} // namespace

// What one touch saw before the change.
struct CProjectEdit::Touched {
    enum class Kind { CellList, Cell, Scene, Tree, Settings, Project };
    explicit Touched(Kind what, CSwScene* where = nullptr, CSwObj* which = nullptr)
        : kind(what), scene(where), cell(which) {}
    Kind kind;
    CSwScene* scene;
    CSwObj* cell;
    std::vector<CSwObj*> cells;
    CSwCommand::ValueSet values;
    SceneFields fields;
    std::vector<CSwScene*> scenes;
    std::vector<SceneLinks> links;
    std::unique_ptr<CSwSettings> settings;
    const CSwScene* selected = nullptr;
    std::string text;
};

CProjectEdit::CProjectEdit(CScenewrightDoc& doc, SwEdit kind)
    : m_doc(doc), m_kind(kind), m_recording(doc.IsUndoEnabled()) {}

CProjectEdit::~CProjectEdit() {
    // An edit left without a commit still happened: it must reach the
    // history and the views.
    if (!m_committed)
        Commit();
}

CProjectEdit::Touched* CProjectEdit::FindCellList(const CSwScene& scene) {
    for (const auto& touched : m_touched) {
        if (touched->kind == Touched::Kind::CellList && touched->scene == &scene)
            return touched.get();
    }
    return nullptr;
}

void CProjectEdit::TouchCellList(CSwScene& scene) {
    if (FindCellList(scene))
        return;
    auto touched = std::make_unique<Touched>(Touched::Kind::CellList, &scene);
    // Kept even without a history: the views are told where the change began.
    touched->cells = PointersOf(scene.cells);
    m_touched.push_back(std::move(touched));
}

void CProjectEdit::TouchCell(CSwScene& scene, CSwObj& cell) {
    for (const auto& touched : m_touched) {
        if ((touched->kind == Touched::Kind::Cell && touched->cell == &cell) ||
            (touched->kind == Touched::Kind::CellList && touched->scene == &scene))
            return;
    }
    auto touched = std::make_unique<Touched>(Touched::Kind::Cell, &scene, &cell);
    if (auto* command = dynamic_cast<CSwCommand*>(&cell); command && m_recording)
        touched->values = command->SaveValues();
    m_touched.push_back(std::move(touched));
}

void CProjectEdit::TouchScene(CSwScene& scene) {
    for (const auto& touched : m_touched) {
        if (touched->kind == Touched::Kind::Scene && touched->scene == &scene)
            return;
    }
    auto touched = std::make_unique<Touched>(Touched::Kind::Scene, &scene);
    touched->fields = SceneFields::Of(scene);
    m_touched.push_back(std::move(touched));
}

void CProjectEdit::TouchTree() {
    for (const auto& touched : m_touched) {
        if (touched->kind == Touched::Kind::Tree)
            return;
    }
    auto touched = std::make_unique<Touched>(Touched::Kind::Tree);
    touched->selected = m_doc.GetCurrentScene();
    if (m_recording) {
        touched->scenes = PointersOf(m_doc.GetScenes());
        touched->links.reserve(touched->scenes.size());
        for (const CSwScene* scene : touched->scenes)
            touched->links.push_back(SceneLinks::Of(*scene));
    }
    m_touched.push_back(std::move(touched));
}

void CProjectEdit::TouchSettings() {
    for (const auto& touched : m_touched) {
        if (touched->kind == Touched::Kind::Settings)
            return;
    }
    auto touched = std::make_unique<Touched>(Touched::Kind::Settings);
    if (m_recording) {
        touched->settings = std::make_unique<CSwSettings>();
        touched->settings->Assign(m_doc.GetSettings());
    }
    m_touched.push_back(std::move(touched));
}

void CProjectEdit::TouchProject() {
    auto touched = std::make_unique<Touched>(Touched::Kind::Project);
    if (m_recording)
        touched->text = Access::Snapshot(m_doc);
    m_touched.push_back(std::move(touched));
}

void CProjectEdit::Park(std::unique_ptr<CSwObj> cell) {
    if (cell)
        m_parkedCells.push_back(std::move(cell));
}

void CProjectEdit::Park(std::unique_ptr<CSwScene> scene) {
    if (scene)
        m_parkedScenes.push_back(std::move(scene));
}

bool CProjectEdit::Commit() {
    if (m_committed)
        return false;
    m_committed = true;
    std::vector<std::unique_ptr<CEditStep>> steps;
    std::vector<SwUpdate> updates;
    for (const auto& touched : m_touched) {
        switch (touched->kind) {
        case Touched::Kind::CellList: {
            std::vector<CSwObj*> before = std::move(touched->cells);
            std::vector<CSwObj*> after = PointersOf(touched->scene->cells);
            const std::size_t offset = TrimCommonEnds(before, after);
            if (before.empty() && after.empty())
                break;
            touched->scene->MarkChanged();
            if (!m_recording) {
                updates.push_back({SwChange::Cells, touched->scene, static_cast<int>(offset)});
                break;
            }
            std::vector<std::unique_ptr<CSwObj>> parked;
            for (auto& cell : m_parkedCells) {
                if (cell && std::find(before.begin(), before.end(), cell.get()) != before.end())
                    parked.push_back(std::move(cell));
            }
            auto step = std::make_unique<CCellListStep>(*touched->scene, offset, std::move(before),
                                                        std::move(after), std::move(parked));
            updates.push_back(step->Update());
            steps.push_back(std::move(step));
            break;
        }
        case Touched::Kind::Cell: {
            auto* command = dynamic_cast<CSwCommand*>(touched->cell);
            if (command == nullptr)
                break;
            CSwCommand::ValueSet after = command->SaveValues();
            if (m_recording && after.values == touched->values.values &&
                after.comment == touched->values.comment)
                break;
            touched->scene->MarkChanged();
            auto step = std::make_unique<CCellValuesStep>(
                *touched->scene, *command, std::move(touched->values), std::move(after));
            updates.push_back(step->Update());
            if (m_recording)
                steps.push_back(std::move(step));
            break;
        }
        case Touched::Kind::Scene: {
            SceneFields after = SceneFields::Of(*touched->scene);
            if (after == touched->fields)
                break;
            touched->scene->MarkChanged();
            auto step = std::make_unique<CSceneFieldsStep>(
                *touched->scene, std::move(touched->fields), std::move(after), m_mergeKey);
            updates.push_back(step->Update());
            if (m_recording)
                steps.push_back(std::move(step));
            break;
        }
        case Touched::Kind::Tree: {
            const CSwScene* selected = m_doc.GetCurrentScene();
            if (!m_recording) {
                // Nothing was kept to tell which scenes moved.
                for (const auto& scene : m_doc.GetScenes())
                    scene->MarkChanged();
                updates.push_back({SwChange::SceneTree, m_shown ? m_shown : selected});
                break;
            }
            std::vector<RelinkedScene> links;
            for (std::size_t i = 0; i < touched->scenes.size(); ++i) {
                CSwScene* scene = touched->scenes[i];
                const SceneLinks now = SceneLinks::Of(*scene);
                if (!(now == touched->links[i]))
                    links.push_back({scene, touched->links[i], now});
            }
            std::vector<CSwScene*> before = touched->scenes;
            std::vector<CSwScene*> after = PointersOf(m_doc.GetScenes());
            const std::size_t offset = TrimCommonEnds(before, after);
            // Scenes added by the edit had no links before it; they stand
            // in the changed stretch of the array.
            for (CSwScene* scene : after) {
                if (std::find(before.begin(), before.end(), scene) == before.end())
                    links.push_back({scene, SceneLinks{}, SceneLinks::Of(*scene)});
            }
            if (links.empty() && before.empty() && after.empty())
                break;
            for (const RelinkedScene& link : links)
                link.scene->MarkChanged();
            std::vector<std::unique_ptr<CSwScene>> parked;
            for (auto& scene : m_parkedScenes) {
                if (scene && std::find(before.begin(), before.end(), scene.get()) != before.end())
                    parked.push_back(std::move(scene));
            }
            auto step = std::make_unique<CTreeStep>(offset, std::move(before), std::move(after),
                                                    std::move(parked), std::move(links),
                                                    touched->selected, selected);
            updates.push_back({SwChange::SceneTree, m_shown ? m_shown : selected});
            steps.push_back(std::move(step));
            break;
        }
        case Touched::Kind::Project: {
            updates.push_back({SwChange::Opened});
            if (m_recording)
                steps.push_back(std::make_unique<CProjectTextStep>(std::move(touched->text),
                                                                   Access::Snapshot(m_doc)));
            break;
        }
        case Touched::Kind::Settings: {
            if (!m_recording) {
                updates.push_back({SwChange::Settings});
                break;
            }
            auto after = std::make_unique<CSwSettings>();
            after->Assign(m_doc.GetSettings());
            if (Written(*after) == Written(*touched->settings))
                break;
            updates.push_back({SwChange::Settings});
            steps.push_back(
                std::make_unique<CSettingsStep>(std::move(touched->settings), std::move(after)));
            break;
        }
        }
    }
    m_parkedCells.clear();
    m_parkedScenes.clear();
    if (updates.empty())
        return false;
    if (m_recording && !steps.empty()) {
        std::unique_ptr<CEditStep> step = steps.size() == 1
                                              ? std::move(steps.front())
                                              : std::make_unique<CStepGroup>(std::move(steps));
        Access::Record(m_doc, m_kind, std::move(step));
    } else {
        Access::Record(m_doc, m_kind, nullptr);
    }
    m_doc.Notify(updates.size() == 1 ? updates.front() : SwUpdate{SwChange::Project});
    m_doc.Notify({SwChange::History});
    return true;
}
