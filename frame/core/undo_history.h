#pragma once
// The undo and redo history of a model whose every change is kept (saved) before the model takes
// it. Undoing is itself a change, kept like any other; a change the keeper refuses leaves both the
// model and its history as they were, so the same step can be tried again.

#include <QList>
#include <functional>
#include <optional>
#include <utility>

template <typename Change> class UndoHistory {
  public:
    // Saves a change before the model takes it; false when it could not. It may fill in what
    // saving gave the change, such as the ids of new rows.
    using Keeper = std::function<bool(Change& change)>;
    using Apply = std::function<void(const Change& change)>;
    using Inverse = Change (*)(const Change& change);

    explicit UndoHistory(Inverse inverse) : m_inverse(inverse) {}

    bool CanUndo() const { return !m_undo.isEmpty(); }
    bool CanRedo() const { return !m_redo.isEmpty(); }
    void Clear() {
        m_undo.clear();
        m_redo.clear();
    }

    // Kept, applied, and one step to undo; what was undone can no longer be redone.
    bool Do(Change change, const Keeper& keep, const Apply& apply) {
        if (change.isEmpty() || !keep(change))
            return false;
        apply(change);
        m_undo.append(std::move(change));
        m_redo.clear();
        return true;
    }

    // The change that took the last step back (or forth again), for a view to follow.
    std::optional<Change> Undo(const Keeper& keep, const Apply& apply) {
        return Step(m_undo, m_redo, keep, apply);
    }
    std::optional<Change> Redo(const Keeper& keep, const Apply& apply) {
        return Step(m_redo, m_undo, keep, apply);
    }

  private:
    std::optional<Change> Step(QList<Change>& from, QList<Change>& to, const Keeper& keep,
                               const Apply& apply) {
        if (from.isEmpty())
            return std::nullopt;
        Change back = m_inverse(from.constLast());
        if (!keep(back))
            return std::nullopt;
        apply(back);
        from.removeLast();
        to.append(back);
        return back;
    }

    Inverse m_inverse;
    QList<Change> m_undo; // the changes as done, the latest last
    QList<Change> m_redo; // the changes that undid them, the latest last
};
