#pragma once
// The calorie window's days: the diary turned on and off, the day shown, saved meals, the
// previous day's meal, and the whole diary out and back. The store is opened when the window is
// (after the launcher's first frame) and only if its file exists; it is made only when the user
// asks for something to be kept.

#include <QDate>

#include <QString>

class Form_卡路里计算器;
class QMenu;

namespace 方法_卡路里计算器 {

class DiaryStore;

// The store, made when missing: the user asked for something to be kept. Null when it cannot be
// made or read, after saying why, in problem when given, in a message otherwise.
DiaryStore* MadeStore(Form_卡路里计算器& form, QString* problem = nullptr);

// Opens an existing store; with the diary on the window shows today's saved plan. A damaged or
// newer store is reported once the window shows and is never touched.
void OpenDiary(Form_卡路里计算器& form);

// The checkable item: on makes the store and keeps the day on screen as today's; off asks whether
// to keep or delete the diary.
void SetDiaryOn(Form_卡路里计算器& form, bool on);
// The diary is gone, deleted here or by another window: the day stays on screen, in memory, and
// joins today when the diary is turned on again.
void KeepDayWithoutDiary(Form_卡路里计算器& form);

// Shows a day, read afresh from the diary; today follows the clock.
void ShowDate(Form_卡路里计算器& form, QDate date);
void AskDate(Form_卡路里计算器& form);

void SaveMealAs(Form_卡路里计算器& form);
void ManageSavedMeals(Form_卡路里计算器& form);
void CopyPreviousMeal(Form_卡路里计算器& form);

void ExportDiary(Form_卡路里计算器& form);
void ImportDiary(Form_卡路里计算器& form);

// The diary's commands in the meal tree's menu, their shortcuts on the whole window.
void AddDiaryActions(Form_卡路里计算器& form, QMenu& menu);
// Enables the commands that the day, the selection and the diary allow now.
void UpdateDiaryActions(Form_卡路里计算器& form);

} // namespace 方法_卡路里计算器
