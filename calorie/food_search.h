#pragma once
// Find as you type in the food list, in the manner of the interactive search of GTK lists:
// typing into the list, or Ctrl+F, opens a find field over the list's bottom edge, and the list
// shows only the foods that match, in table order, the first one selected. A number at the end is
// a weight in grams for the food Enter adds. Esc, or emptying the field, shows all foods again.

#include "calorie/core/food_finder.h"
#include "calorie/core/portion.h"
#include "calorie/field_hint.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class InputMethodRelay;
class QKeyEvent;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

class FoodSearch final : public QObject {
  public:
    // add places the selected food, as Enter in the field asks; a reason it could not, when it
    // says one, stays in the field with the text.
    using Add = std::function<std::optional<QString>()>;
    FoodSearch(QTreeWidget* list, Add add);

    QLineEdit* Field() const { return m_field; }
    bool IsOpen() const { return m_open; }
    bool IsPrepared() const { return m_prepared; }
    // The weight typed at the end of the field; none while the field is closed.
    const 方法_卡路里计算器::PortionQuery& Portion() const { return m_portion; }

    // Reads the pinyin of every listed food. The window's first paint schedules it for idle time,
    // so that neither opening the window nor the first keystroke waits for ICU.
    void Prepare();
    // The list is about to be filled anew: ends a search and reads the names again when idle.
    void Reset();
    // Runs before the field opens: the list may change then.
    void SetBeforeOpen(std::function<void()> beforeOpen) { m_beforeOpen = std::move(beforeOpen); }
    // Ends a search, as before the list's rows change.
    void Close() { CloseField(); }
    // A row was added or renamed, or taken out, after Close: its keys follow at once.
    void RowChanged(int row);
    void RowRemoved(int row);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void PlaceField();
    void ReadHidden();
    bool OnListKey(QKeyEvent* key);
    bool OnFieldKey(QKeyEvent* key);
    void OnInputMethodRelayed(bool textChanged, bool fromList);
    void OnEscape();
    void ShowField();
    void FocusField();
    void OpenField(const QString& typed);
    void CloseField();
    void Filter();
    QList<QStringList> SearchQueries() const;
    void SetRowHidden(int row, bool hidden);
    QTreeWidgetItem* ShowMatching(const QStringList& queries);

    QTreeWidget* m_list;
    Add m_addSelected;
    std::function<void()> m_beforeOpen;
    QLineEdit* m_field;
    FieldHint m_hint;
    InputMethodRelay* m_inputMethod;
    std::vector<food_finder::FoodKeys> m_keys;
    QList<QPersistentModelIndex> m_rowIndexes;
    方法_卡路里计算器::PortionQuery m_portion;
    std::vector<bool> m_shownWithoutSearch; // rows the list shows while no search is open
    std::vector<bool> m_hidden;             // each row's state, as asking the view costs a lookup
    bool m_hiddenKnown = false;
    QTreeWidgetItem* m_selectedBefore = nullptr;
    bool m_prepared = false;
    bool m_open = false;
    bool m_handingFocus = false;
};
