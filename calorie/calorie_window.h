#pragma once
// The calorie calculator: the foods of the food table on the right, the six meals of a day on
// the left, the total intake under them. Double-clicks drive it, or the keyboard: Enter on a food
// adds it, Enter or Delete on a placed food removes it, typing finds a food. There is no Calculate
// button.

#include "frame/tool_window.h"

class FoodSearch;
class FoodSlots;
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

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateMealTree();
    void CreateMealMenu();
    void CreateFoodList();

    const FoodSlots& m_table;
    QTreeWidget* m_meals = nullptr;
    QTreeWidget* m_foods = nullptr;
    FoodSearch* m_search = nullptr;
};
