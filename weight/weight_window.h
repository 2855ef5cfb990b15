#pragma once
// "体重记录": the weighings of the diary store, one a day, with their trend. The date and weight
// fields and 记录 (or Enter) add a day's weighing; the goal field keeps a goal weight. Above the
// chart one line sums it up (trend, weekly rate, the day the goal is reached); the table lists
// the weighings newest first and is the chart's readable equivalent: Delete removes one, F2
// weighs it anew, Ctrl+Z and Ctrl+Shift+Z undo and redo. A second view shows each diary day's
// intake. 导出… and 导入… take the weighings out as CSV and bring another tracker's in.
//
// It opens from the calorie window, which it hides, and closing it shows that window again. As
// that window's child it goes when that window goes.

#include "weight/weight_book.h"

#include <QWidget>
#include <memory>

class IntakeChart;
class QAbstractButton;
class QDateEdit;
class QLabel;
class QLineEdit;
class QTabWidget;
class QTableView;
class WeighingTable;
class WeightChart;

class Form_体重记录 final : public QWidget {
  public:
    Form_体重记录(std::unique_ptr<方法_体重记录::WeightBook> book, QWidget* opener,
                  QDate today = QDate::currentDate());
    ~Form_体重记录() override;

    QDateEdit* DateField() const { return m_date; }
    QLineEdit* WeightField() const { return m_weight; }
    QLineEdit* GoalField() const { return m_goal; }
    QTableView* Table() const { return m_table; }
    QLabel* Summary() const { return m_summary; }
    WeightChart* Chart() const { return m_chart; }
    QTabWidget* Views() const { return m_views; }
    QLabel* IntakeLine() const { return m_intakeLine; }
    const 方法_体重记录::WeightLog& Log() const { return m_log; }

    void Record();
    void SetGoal();
    void RemoveCurrent();
    void EditWeight(QDate day, const QString& typed);
    void Undo();
    void Redo();
    void Export();
    void Import();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLayout* CreateFields();
    QWidget* CreateTable();
    QWidget* CreateViews();
    void CreateShortcuts();
    // Keeps the change and shows it, or says why it could not be kept.
    bool Keep(const std::function<bool(const 方法_体重记录::WeightLog::Keeper&)>& step);
    void Show(std::optional<QDate> select = std::nullopt);
    void ShowIntake();

    std::unique_ptr<方法_体重记录::WeightBook> m_book;
    方法_体重记录::WeightLog m_log;
    方法_体重记录::Trend m_trend;
    std::optional<double> m_goalKg;
    QDate m_today;
    bool m_intakeShown = false;

    QDateEdit* m_date = nullptr;
    QLineEdit* m_weight = nullptr;
    QLineEdit* m_goal = nullptr;
    QLabel* m_summary = nullptr;
    QTableView* m_table = nullptr;
    WeighingTable* m_rows = nullptr;
    WeightChart* m_chart = nullptr;
    IntakeChart* m_intake = nullptr;
    QLabel* m_intakeLine = nullptr;
    QTabWidget* m_views = nullptr;
};

// Opens the weight log on the diary store from opener, the calorie window.
void OpenWeightLog(QWidget* opener);
