#pragma once

// The undo history: a line of recorded edit steps. A step keeps only what
// its edit touched (the cells, scenes or settings before and after), so
// recording, undoing and redoing cost what the edit cost, whatever the
// size of the project.

#include "document/DocumentUpdate.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CSwObj;

// One recorded change of the project.
class CEditStep {
public:
    virtual ~CEditStep() = default;
    // Puts the project as it was before the step, or again as after it.
    virtual void Undo(CScenewrightDoc& doc) = 0;
    virtual void Redo(CScenewrightDoc& doc) = 0;
    // The memory the step holds, for the history's limit.
    virtual std::size_t Bytes() const = 0;
    // What the views are told after the step was undone or redone.
    virtual SwUpdate Update() const = 0;
    // The scene and cell the step changed, to select once it is undone or
    // redone; the cell is null for a change of the scene itself.
    virtual const CSwScene* Scene() const { return Update().scene; }
    virtual const CSwObj* Cell(bool undone) const {
        (void)undone;
        return nullptr;
    }
    // Takes `later`, the next step, into this one when both change the
    // same field of the same object; true when it did.
    virtual bool Absorb(CEditStep& later) {
        (void)later;
        return false;
    }
};

class CEditHistory {
public:
    // Forgets every step; the state now is the saved one when `clean`.
    void Clear(bool clean);
    // A new step after the current one; the steps that could have been
    // redone are dropped. A step may merge into the one before it unless
    // the project was saved in between.
    void Record(std::string_view name, std::unique_ptr<CEditStep> step);

    bool CanUndo() const { return m_position > 0; }
    bool CanRedo() const { return m_position < m_steps.size(); }
    // The names of the steps Undo and Redo would take; "" when none.
    std::string_view UndoName() const;
    std::string_view RedoName() const;
    // Moves one step back (forward) and gives the step to undo (redo);
    // null at either end.
    CEditStep* StepBack();
    CEditStep* StepForward();

    // The steps, oldest first; the position counts the steps taken.
    std::size_t StepCount() const { return m_steps.size(); }
    std::size_t Position() const { return m_position; }
    std::string_view StepName(std::size_t index) const { return m_steps[index].name; }
    std::size_t Bytes() const { return m_bytes; }

    void MarkClean() { m_cleanPosition = m_position; }
    bool IsClean() const { return m_cleanPosition == m_position; }
    // Names the state the project is in now, for a save that finishes
    // later: MarkCleanAt marks that state saved if the history still holds
    // it (a step merged into since is another state).
    std::uint64_t StateId() const;
    void MarkCleanAt(std::uint64_t state);

private:
    struct Entry {
        std::string name;
        std::unique_ptr<CEditStep> step;
        std::size_t bytes = 0;
        std::uint64_t state = 0; // the state the step leads to
    };
    static constexpr std::size_t kNoCleanPosition = static_cast<std::size_t>(-1);
    // Older steps go first when the history holds more than this.
    static constexpr std::size_t kMaxBytes = std::size_t{256} << 20;

    void DropOldestBeyondLimit();

    std::vector<Entry> m_steps;
    std::size_t m_position = 0;
    std::size_t m_cleanPosition = 0;
    std::size_t m_bytes = 0;
    std::uint64_t m_baseState = 0; // the state before the oldest step
    std::uint64_t m_lastState = 0;
};
