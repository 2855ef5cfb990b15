// Renders every window to PNG files without a display, each tool window with a sample report:
//   korvella-snapshots OUTDIR
// Run with QT_QPA_PLATFORM=offscreen; QT_SCALE_FACTOR=2 renders at 200 %.

#include "app/ad_panel.h"
#include "app/custom_methods.h"
#include "app/form_main.h"
#include "body/body_windows.h"
#include "body/core/standard_weight_tables.h"
#include "calorie/calorie.h"
#include "calorie/calorie_window.h"
#include "calorie/core/food_table.h"
#include "frame/appearance.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <cstdio>
#include <memory>

namespace {

bool Save(QWidget& window, const QDir& dir, const QString& name) {
    window.show();
    QApplication::processEvents();
    const QString path = dir.filePath(name + QStringLiteral(".png"));
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    window.hide();
    return true;
}

bool Sample(const QDir& dir, const QString& name, std::unique_ptr<BodyWindow> window,
            const QStringList& values, bool female = false) {
    for (int k = 0; k < values.size(); ++k)
        window->Text_Value(k)->setText(values[k]);
    if (female)
        window->Option_性别(1)->setChecked(true);
    window->Command_计算()->click();
    return Save(*window, dir, name);
}

// Lunch with the first three foods of the list.
bool Calorie(const QDir& dir) {
    Form_卡路里计算器 window;
    QTreeWidget* meals = window.TreeView_食物列表();
    meals->setCurrentItem(meals->topLevelItem(2));
    for (int row = 0; row < 3; ++row) {
        window.ListView_食物列表()->setCurrentItem(window.ListView_食物列表()->topLevelItem(row));
        方法_卡路里计算器::AddFoodToMeal(window);
    }
    return Save(window, dir, QStringLiteral("calorie"));
}

} // namespace

int main(int argc, char* argv[]) {
    PrepareAdPanel(); // the main window's panel starts as in the program
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvella-snapshots OUTDIR\n");
        return 2;
    }
    QApplication::setFont(SongFont(9));
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    自定义方法::InitData();
    QEventLoop reading; // the calorie sample shows the foods
    if (WhenFoodsArrive(自定义变量::FoodTable, &reading, [&reading] { reading.quit(); }))
        reading.exec();

    Form_Main main;
    bool ok = Save(main, dir, QStringLiteral("main"));
    ok &= Sample(dir, QStringLiteral("bmi"), std::make_unique<Form_身体质量指数>(), {"170", "65"});
    ok &= Sample(dir, QStringLiteral("standard_weight"), std::make_unique<Form_标准体重计算>(),
                 {"25", "170"});
    ok &= Sample(dir, QStringLiteral("bmr"), std::make_unique<Form_基础代谢计算>(),
                 {"30", "160", "55"}, true);
    ok &= Sample(dir, QStringLiteral("healthy_weight"), std::make_unique<Form_健康体重范围>(),
                 {"175"});
    ok &= Sample(dir, QStringLiteral("fat_burning"), std::make_unique<Form_燃脂运动计算>(), {"30"});
    ok &= Sample(dir, QStringLiteral("self_assessment"),
                 std::make_unique<Form_一分钟彻底了解自己>(), {"30", "170", "65"});
    ok &= Calorie(dir);
    return ok ? 0 : 1;
}
