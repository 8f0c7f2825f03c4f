#pragma once

// The undo history of a project as a line of states. A state is the
// project's text; steps keep only the part that differs from the state
// before, since an edit touches one small stretch of a large project.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CUndoHistory {
public:
    // Forgets every step; `state` is the saved state when `clean`.
    void Reset(std::string state, bool clean = true);
    // A new step to `state` after the current one; the steps that could
    // have been redone are dropped. An unchanged state adds no step.
    bool Record(std::string_view name, std::string state);

    bool CanUndo() const { return m_position > 0; }
    bool CanRedo() const { return m_position < m_steps.size(); }
    // The names of the steps Undo and Redo would take; "" when none.
    std::string_view UndoName() const;
    std::string_view RedoName() const;
    // Moves one step and gives the state to restore; false at either end.
    bool Undo();
    bool Redo();
    const std::string& State() const { return m_state; }

    // The steps, oldest first; the position counts the steps taken.
    std::size_t StepCount() const { return m_steps.size(); }
    std::size_t Position() const { return m_position; }
    std::string_view StepName(std::size_t index) const { return m_steps[index].name; }

    void MarkClean() { m_cleanPosition = m_position; }
    bool IsClean() const { return m_cleanPosition == m_position; }

private:
    struct Step {
        std::string name;
        std::size_t offset = 0;
        std::string before;
        std::string after;
    };
    static constexpr std::size_t kNoCleanPosition = static_cast<std::size_t>(-1);
    // Older steps go first when the history holds more text than this.
    static constexpr std::size_t kMaxStepBytes = std::size_t{256} << 20;

    void DropOldestBeyondLimit();

    std::string m_state;
    std::vector<Step> m_steps;
    std::size_t m_position = 0;
    std::size_t m_cleanPosition = 0;
    std::size_t m_stepBytes = 0;
};
