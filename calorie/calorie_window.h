#pragma once
// The calorie calculator: the foods of the food table on the right, the six meals of a day on
// the left, the total intake under them. Double-clicks drive it, or the keyboard: Enter on a food
// adds it, Enter or Delete on a placed food removes it, F2 weighs it anew, typing finds a food.
// The meal tree's menu sets a daily target and takes the plan out of the program. There is no
// Calculate button.

#include "frame/tool_window.h"

#include <optional>

class FoodSearch;
class FoodSlots;
class QAction;
class QMenu;
class QTreeWidget;

class Form_卡路里计算器 final : public ToolWindow {
  public:
    // Lists the given table, the program's food table unless a test passes its own.
    explicit Form_卡路里计算器(const FoodSlots& foods);
    Form_卡路里计算器();
    ~Form_卡路里计算器() override;

    QTreeWidget* TreeView_食物列表() const { return m_meals; }
    QTreeWidget* ListView_食物列表() const { return m_foods; }
    const FoodSlots& Foods() const { return m_table; }
    FoodSearch& Search() const { return *m_search; }
    std::optional<int> TargetKcal() const { return m_target; }
    void SetTargetKcal(std::optional<int> kcal) { m_target = kcal; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateMealTree();
    void CreateMealMenu();
    void CreateFoodList();
    void ShowMealMenu(const QPoint& globalPos);
    void ShowMealMenuAtCurrent();
    bool MealTreeEvent(QEvent* event);

    const FoodSlots& m_table;
    QTreeWidget* m_meals = nullptr;
    QTreeWidget* m_foods = nullptr;
    FoodSearch* m_search = nullptr;
    QMenu* m_mealMenu = nullptr;
    QAction* m_clearTarget = nullptr;
    std::optional<int> m_target;
};
