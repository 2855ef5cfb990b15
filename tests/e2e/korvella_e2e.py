#!/usr/bin/python3
"""End-to-end scenarios on the built program, driven through X input and read over AT-SPI.

Each scenario is one run of the program on an X server of its own (Xvfb), inside a session bus
of its own (dbus-run-session) with the accessibility bus started as a desktop starts it. The
program is the build's korvella-fixture (app/main.cpp with the vendor host taken from the
environment) laid out beside the build's libraries and Data/FoodData.mdb, its vendor host a
closed port on 127.0.0.1, so nothing leaves the machine.

    korvella_e2e.py --program-dir build/korvella --fixture build/tests/korvella-fixture \\
        --close build/tests/x11_close --foods data/foods.csv [SCENARIO ...]

A scenario is a function below taking a driver.Session, listed in SCENARIOS; it may return a
check to run once the program has ended."""

import argparse
import contextlib
import csv
import datetime
import os
import re
import shutil
import signal
import socket
import sqlite3
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import driver  # noqa: E402
from driver import (Failure, cell, column, descendants, has_focus, name_of,  # noqa: E402
                    role_of, text_of, wait_equal, wait_focused, wait_for)

MAIN = "Korvella"
FOODS = []  # data/foods.csv, the source of Data/FoodData.mdb: one dict per row

# Entry index: panel position inside the background panel at (0, 96), title, window caption.
ENTRIES = [
    ((498, 64), "1分钟了解自己", "一分钟彻底了解自己"),
    ((14, 202), "卡路里计算器", "卡路里计算器"),
    ((566, 326), "身体质量指数(BMI)", "身体质量指数(BMI)"),
    ((290, 202), "标准体重计算", "标准体重计算"),
    ((566, 202), "基础代谢计算", "基础代谢计算"),
    ((14, 326), "健康体重范围", "健康体重范围"),
    ((290, 326), "燃脂运动计算", "燃脂运动计算"),
]


def showing_windows(s):
    """Captions of the showing windows, tooltips left out."""
    return [name_of(w) for w in s.windows() if role_of(w) != "tool tip"]


def open_entry(s, index, by):
    """Presses entry index's title (at its place in the layout) or its logo (found by its
    accessible name) and returns the caption of the one window then showing."""
    (panel_x, panel_y), title, _ = ENTRIES[index]
    main = s.window(MAIN)
    if by == "title":
        title_x = 118 if index == 1 else 116
        s.press_in_window(s.x_window(MAIN), panel_x + title_x + 8, 96 + panel_y + 24 + 8)
    elif by == "logo":
        s.press(s.find(main, name=title, role="image"))
    else:  # Tab across the titles to this one, then Enter
        driver.xdotool("windowfocus", "--sync", s.x_window(MAIN))
        label = s.find(main, name=title, role="label")
        for _ in range(2 * len(ENTRIES)):
            if has_focus(label):
                break
            s.key("Tab")
            time.sleep(0.05)
        wait_focused(label, timeout=2)
        s.key("Return")

    def one_tool_window():
        names = showing_windows(s)
        return names if len(names) == 1 and names != [MAIN] else None

    try:
        return wait_for("a window in place of the main window", one_tool_window)[0]
    except Failure:
        raise Failure(f"pressing the {by} of entry {index} ({title}) left the windows "
                      f"{showing_windows(s)}") from None


def close_tool(s, caption):
    s.close(caption)
    s.window(MAIN)
    s.wait_gone(caption)


def calorie_list(s, by, meal):
    """Opens the calorie window by entry 1's title or logo, selects meal in the meal tree and
    tabs to the food list; returns the window, the meal tree and the list."""
    caption = ENTRIES[1][2]
    expect("window opened by entry 1", open_entry(s, 1, by), caption)
    window = s.window(caption)
    meals, foods = s.find(window, name="今日餐单"), s.find(window, name="食物列表")
    s.press(s.find(meals, name=meal))
    wait_focused(meals)
    s.key("Tab")
    wait_focused(foods)
    return window, meals, foods


def expect(what, seen, wanted):
    if seen != wanted:
        raise Failure(f"{what}: saw {seen!r}, expected {wanted!r}")


def meal_menu(s, meals, meal, *keys):
    """Presses meal in the meal tree and works the tree's menu by keys: its items do not reach
    AT-SPI while it is open."""
    s.press(s.find(meals, name=meal))
    wait_focused(meals)
    s.key("Menu", *keys, "Return")


def label_starting(window, start):
    return next((name_of(n) for n in descendants(window)
                 if role_of(n) == "label" and name_of(n).startswith(start)), None)


# --- scenarios ------------------------------------------------------------------------------


def entries(s):
    """Every entry, by its title, by its logo and by the keyboard, opens its own window in place
    of the main window; closing that window brings the main window back."""
    for index, (_, title, caption) in enumerate(ENTRIES):
        for by in ("title", "logo", "key"):
            expect(f"window opened by the {by} of entry {index} ({title})",
                   open_entry(s, index, by), caption)
            close_tool(s, caption)


def bmi(s):
    """计算 with nothing typed gives a message box, closed by its 确定; then height and weight
    typed (Tab between the fields), 计算, the report's first line."""
    caption = ENTRIES[2][2]
    expect("window opened by entry 2", open_entry(s, 2, "title"), caption)
    window = s.window(caption)
    s.press(s.find(window, name="计算", role="push button"))
    s.press(s.find(s.window(MAIN), name="确定", role="push button"))
    s.wait_gone(MAIN)
    height, weight = s.find(window, name="身高"), s.find(window, name="体重")
    s.press(height)
    wait_focused(height)
    s.type("170")
    s.key("Tab")
    wait_focused(weight)
    s.type("65")
    for field, value in ((height, "170"), (weight, "65")):
        wait_equal(f'field "{name_of(field)}"', lambda: text_of(field), value)
    s.press(s.find(window, name="计算", role="push button"))
    result = s.find(window, name="计算结果")
    report = wait_for("a report in the result box", lambda: text_of(result))
    expect("report's first line", report.splitlines()[0], "您的身体质量指数（BMI）为：22.49")
    close_tool(s, caption)


def calorie(s):
    """With 午餐 selected, double-clicked foods land under it and the summary adds them up; a
    food row describes its nutrients, and "显示营养素" in the meal tree's menu shows the day's."""
    caption = ENTRIES[1][2]
    expect("window opened by entry 1", open_entry(s, 1, "logo"), caption)
    window = s.window(caption)
    meals = s.find(window, name="今日餐单")
    lunch = s.find(meals, name="午餐")
    s.press(lunch)
    wait_for("午餐 selected", lambda: lunch.getState().contains(driver.pyatspi.STATE_SELECTED))

    foods = s.find(window, name="食物列表")
    wait_equal("rows in the food list", lambda: foods.queryTable().nRows, len(FOODS))
    summary = s.find(window, name="共摄入")
    total, lunch_foods = 0.0, []
    for row in (1, 3):
        name, energy = (name_of(cell(foods, row, index)) for index in (0, 2))
        expect(f"row {row} of the food list", (name, energy),
               (FOODS[row]["FoodName"], FOODS[row]["FoodHot"] + " 大卡"))
        s.press(cell(foods, row, 0), clicks=2)
        total += float(FOODS[row]["FoodHot"])
        # Over AT-SPI the box reads as its document, with one line break for each CR LF.
        wait_equal(f"summary after double-clicking {name}", lambda: text_of(summary),
                   f"共摄入：{total:.15g} 大卡\n总消耗 = 活动消耗 + 基础代谢率")
        lunch_foods.append(f"{energy}  {name}")
        wait_equal("meal plan", lambda: column(meals),
                   ["早餐", "上午加餐", "午餐", *lunch_foods, "下午加餐", "晚餐", "晚上加餐"])

    # Each row describes its food's nutrients; with "显示营养素", the day's are under the meals.
    rice = cell(foods, 0, 0)
    expect("description of 米饭", (name_of(rice), driver._guarded(lambda: rice.description, "")),
           ("米饭", "蛋白质 2.4 克，脂肪 0.2 克，碳水化合物 28.7 克（每100克）"))
    meal_menu(s, meals, "午餐", "Up")  # 显示营养素, the menu's last item
    none = "蛋白质 —，脂肪 —，碳水化合物 —"  # neither porridge has nutrients: never 0
    wait_equal("nutrients under the meals", lambda: label_starting(window, "全天："),
               f"全天：{none}\n午餐：{none}\n2 种食物没有营养素数据")
    close_tool(s, caption)


def keyboard(s):
    """The calorie window by keyboard alone: find a food by its initials and by its pinyin, add
    it with Enter, take one out with Delete; the summary and the meal's subtotal follow."""
    window, meals, foods = calorie_list(s, "title", "早餐")
    energy = {row["FoodName"]: row["FoodHot"] for row in FOODS}

    s.type("xhs")
    field = s.find(window, name="查找食物")
    wait_equal("find field", lambda: text_of(field), "xhs")
    wait_equal("foods found by xhs", lambda: column(foods), ["番茄"])
    s.key("Escape")
    wait_equal("rows after Esc", lambda: foods.queryTable().nRows, len(FOODS))
    wait_focused(foods)
    s.key("Return")  # the found food stays selected
    summary = s.find(window, name="共摄入")
    plan = [f"{energy['番茄']} 大卡  番茄"]
    wait_equal("meal plan after Enter", lambda: column(meals),
               ["早餐", *plan, "上午加餐", "午餐", "下午加餐", "晚餐", "晚上加餐"])

    s.type("lvdou")
    wait_equal("foods found by lvdou", lambda: column(foods)[:1], ["绿豆"])
    s.key("Return")  # from the find field
    plan.append(f"{energy['绿豆']} 大卡  绿豆")
    total = float(energy["番茄"]) + float(energy["绿豆"])
    wait_equal("summary after two foods", lambda: text_of(summary),
               f"共摄入：{total:.15g} 大卡\n总消耗 = 活动消耗 + 基础代谢率")
    wait_equal("breakfast subtotal", lambda: name_of(cell(meals, 0, 1)),
               f"早餐小计 {total:.15g} 大卡")

    s.key("shift+Tab")
    wait_focused(meals)
    s.key("Down", "Delete")  # from 早餐 to its first food, 番茄
    total -= float(energy["番茄"])
    wait_equal("summary after Delete", lambda: text_of(summary),
               f"共摄入：{total:.15g} 大卡\n总消耗 = 活动消耗 + 基础代谢率")
    wait_equal("meal plan after Delete", lambda: column(meals),
               ["早餐", plan[1], "上午加餐", "午餐", "下午加餐", "晚餐", "晚上加餐"])
    close_tool(s, ENTRIES[1][2])


def pinyin(s):
    """With fcitx5's pinyin on by default, as many Chinese users keep it: xihongshi composed in
    the food list finds 番茄 while composing, space commits 西红柿 into the find field, and 番茄,
    whose other name it is, stays found; a weight typed after it and Enter add that portion. A
    food of one's own is named in pinyin, found by its initials while composing and added."""
    window, meals, foods = calorie_list(s, "logo", "早餐")
    # Keys typed before the window's own input context is made pass by fcitx5; the launcher
    # has the other. The focus fcitx5 marks is no sign: fcitx5 5.1 (Debian 13) at times marks it
    # only at the first key.
    wait_for("the tool window's input context", lambda: len(fcitx_contexts()) == 2)
    s.type("xihongshi")
    field = s.find(window, name="查找食物")
    wait_equal("foods found while composing", lambda: column(foods), ["番茄"])
    expect("find field's text while composing", text_of(field), "")  # the pre-edit is no text
    s.key("space")
    wait_equal("find field after the commit", lambda: text_of(field), "西红柿")
    wait_equal("foods found by 西红柿", lambda: column(foods), ["番茄"])
    wait_focused(field)
    s.type("250")  # digits pass the input method by
    s.key("Return")
    wait_equal("meal plan after a portion", lambda: column(meals),
               ["早餐", "38 大卡  番茄 250克", "上午加餐", "午餐", "下午加餐", "晚餐", "晚上加餐"])

    # A yoghurt named in pinyin, from a label of 330 千焦 per 100 g; found by its initials.
    s.press(s.find(foods, name="番茄"))
    wait_focused(foods)
    s.key("ctrl+n")
    name = s.find(s.window("新建食物"), name="名称")
    wait_focused(name)
    wait_for("the dialog's input context", lambda: len(fcitx_contexts()) == 3)
    for word in ("lanmei", "suannai"):
        s.type(word)
        s.key("space")
    wait_equal("the name composed", lambda: text_of(name), "蓝莓酸奶")
    s.key("Tab", "Tab")
    s.type("330")
    s.key("Tab", "Down", "Return")  # 千焦
    s.wait_gone("新建食物")
    s.press(s.find(foods, name="蓝莓酸奶"))
    wait_focused(foods)
    s.type("lmsn")
    wait_equal("foods found while composing", lambda: column(foods), ["蓝莓酸奶"])
    s.key("Return", "Return")  # the letters committed as typed, then the food added
    wait_equal("breakfast", lambda: column(meals)[:3], ["早餐", "38 大卡  番茄 250克",
                                                        "79 大卡  蓝莓酸奶"])
    close_tool(s, ENTRIES[1][2])


def home_files():
    """Every path under HOME, relative to it."""
    home = os.environ["HOME"]
    return sorted(os.path.relpath(os.path.join(folder, name), home)
                  for folder, folders, files in os.walk(home) for name in folders + files)


def plan(s):
    """A portion typed after the food's pinyin; a daily target set in its dialog from the meal
    tree's menu; the plan copied, then exported as PDF through the save dialog by keyboard; the
    target cleared again. The header follows the target, the PDF's text holds the plan, and once
    the program has ended HOME holds the export and nothing else."""
    before = home_files()
    window, meals, foods = calorie_list(s, "title", "午餐")
    s.type("mifan 250")
    wait_equal("foods found by mifan", lambda: column(foods)[:1], ["米饭"])
    s.key("Return")
    wait_equal("meal plan after a portion", lambda: column(meals),
               ["早餐", "上午加餐", "午餐", "290 大卡  米饭 250克", "下午加餐", "晚餐", "晚上加餐"])
    summary = s.find(window, name="共摄入")
    wait_equal("summary after a portion", lambda: text_of(summary),
               "共摄入：290 大卡\n总消耗 = 活动消耗 + 基础代谢率")

    def header():  # read whether shown or hidden: its texts tell which
        return [name_of(n) for n in descendants(meals) if role_of(n) == "table column header"]

    def focus_meals(meal):  # without a window manager nothing gives the window the focus back
        s.press(s.find(meals, name=meal))  # elsewhere each time: the pointer must move
        wait_focused(meals)

    s.key("shift+Tab")
    wait_focused(meals)
    # The menu's items do not reach AT-SPI while it is open: it is worked by its keys.
    s.key("Menu", "Down", "Return")  # 设定每日目标…
    dialog = s.window("每日目标")
    s.press(s.find(dialog, name="女", role="radio button"))
    age = s.find(dialog, name="年龄")
    s.press(age)
    wait_focused(age)
    s.type("30")
    s.key("Tab")
    s.type("160")
    s.key("Tab")
    s.type("55")
    s.key("Tab", "Down")  # the second activity level; the pace stays at 0.5 kg a week
    wait_equal("result line", lambda: next(
        (name_of(n) for n in descendants(dialog) if name_of(n).startswith("基础代谢率")), None),
        "基础代谢率 1317 大卡，每日目标 1261 大卡。")
    s.key("Return")
    s.wait_gone("每日目标")
    wait_equal("header with a target", header, ["今日目标 1261 大卡", "还可摄入 971 大卡"])
    expect("files written for the target", sorted(set(home_files()) - set(before)),
           [".config", ".config/korvella", ".config/korvella/daily_target.conf"])

    focus_meals("早餐")
    s.key("ctrl+shift+c")
    s.find(s.window(MAIN), name="已成功复制今日计划！", role="label")
    s.key("Return")
    s.wait_gone(MAIN)
    focus_meals("晚餐")
    s.key("ctrl+s")
    dialog = s.window("导出今日计划")
    wait_focused(s.find(dialog, role="text"))
    s.key("ctrl+a")
    s.type("plan.pdf")
    s.key("Return")
    s.wait_gone("导出今日计划")
    pdf = os.path.join(os.environ["HOME"], "plan.pdf")
    wait_for("plan.pdf", lambda: os.path.exists(pdf))
    text = subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True, text=True,
                          check=True).stdout
    shown = [" ".join(line.split()) for line in text.splitlines()]
    rice = "5.9 克 0.5 克 71.8 克"  # protein, fat and carbohydrate of 250 g of 米饭
    for line in [f"午餐 290 大卡 {rice}", f"米饭 250 克 290 大卡 {rice}", f"共摄入 290 大卡 {rice}"]:
        if line not in shown:
            raise Failure(f"{line!r} not in the PDF's text:\n{text}")

    focus_meals("早餐")
    s.key("Menu", "Down", "Down", "Return")  # 清除每日目标
    wait_equal("header without a target", header, ["餐次", "小计"])
    close_tool(s, ENTRIES[1][2])
    return lambda: expect("files left in HOME", sorted(set(home_files()) - set(before)),
                          ["plan.pdf"])


def date_text(day):
    return f"{day.year}年{day.month}月{day.day}日 星期{'一二三四五六日'[day.weekday()]}"


def diary(s):
    """The diary turned on from the meal tree's menu keeps the day on screen; yesterday planned
    after Alt+Left; its lunch saved as a saved meal and added to today's dinner; a deleted food
    back with Ctrl+Z; the program killed and started again: both days are as they were. The
    whole diary exported, deleted, imported and exported again gives the same bytes, and the
    diary passes SQLite's integrity check."""
    today = datetime.date.today()
    window, meals, foods = calorie_list(s, "title", "早餐")
    s.type("mifan 250")
    wait_equal("foods found by mifan", lambda: column(foods)[:1], ["米饭"])
    s.key("Return")
    rice, apple = "290 大卡  米饭 250克", "53 大卡  苹果"
    wait_equal("breakfast", lambda: column(meals)[:2], ["早餐", rice])
    s.key("shift+Tab")
    wait_focused(meals)
    # Down counts the enabled items: 设定每日目标…, 体重记录…, 撤销, 记住每天的餐单.
    s.key("Menu", *["Down"] * 4, "Return")
    s.find(window, name=date_text(today), role="label")

    s.key("alt+Left")
    s.find(window, name=date_text(today - datetime.timedelta(days=1)), role="label")
    wait_equal("yesterday, empty", lambda: column(meals), list(MEALS))
    s.press(s.find(meals, name="午餐"))
    wait_focused(meals)
    s.key("Tab")
    wait_focused(foods)
    s.type("pingguo")
    wait_equal("foods found by pingguo", lambda: column(foods)[:1], ["苹果"])
    s.key("Return")
    wait_equal("yesterday's lunch", lambda: column(meals)[2:4], ["午餐", apple])
    s.key("shift+Tab")
    wait_focused(meals)
    # 设定每日目标…, 体重记录…, 撤销, 记住每天的餐单, 前一天, 后一天, 今天, 转到日期…, 保存为常用餐…
    s.key("Menu", *["Down"] * 9, "Return")
    dialog = s.window("保存为常用餐")
    yesterday = today - datetime.timedelta(days=1)
    wait_equal("suggested name", lambda: text_of(s.find(dialog, name="名称")),
               f"午餐 {yesterday.month}月{yesterday.day}日")
    s.key("Return")
    s.wait_gone("保存为常用餐")
    s.press(s.find(meals, name="午餐"))  # without a window manager the focus comes back by hand
    wait_focused(meals)
    s.key("alt+Home")
    s.find(window, name=date_text(today), role="label")
    wait_equal("today, kept", lambda: column(meals)[:2], ["早餐", rice])
    s.press(s.find(meals, name="晚餐"))
    wait_focused(meals)
    # 设定每日目标…, 体重记录…, 记住每天的餐单, 前一天, 后一天, 今天, 转到日期…, 添加常用餐 ▸ its
    # first meal
    s.key("Menu", *["Down"] * 8, "Right", "Return")
    wait_equal("dinner from the saved meal", lambda: column(meals)[-3:], ["晚餐", apple, "晚上加餐"])

    s.press(s.find(meals, name=rice))
    wait_focused(meals)
    s.key("Delete")
    wait_equal("breakfast after Delete", lambda: column(meals)[:2], ["早餐", "上午加餐"])
    s.key("ctrl+z")
    wait_equal("breakfast after Ctrl+Z", lambda: column(meals)[:2], ["早餐", rice])
    planned = column(meals)

    s.program.kill()  # as a crash or a power cut would end it
    s.program.wait()
    s.start_program(MAIN)
    s.window(MAIN, timeout=20)
    window, meals, foods = calorie_list(s, "logo", "早餐")
    s.find(window, name=date_text(today), role="label")
    wait_equal("today after the restart", lambda: column(meals), planned)
    s.key("shift+Tab")
    wait_focused(meals)
    s.key("alt+Left")
    wait_equal("yesterday after the restart", lambda: column(meals)[2:4], ["午餐", apple])
    s.key("alt+Home")
    s.find(window, name=date_text(today), role="label")

    def file_dialog(title, meal, up, typed):  # the item up places from the menu's foot
        meal_menu(s, meals, meal, *["Up"] * up)
        dialog = s.window(title)
        wait_focused(s.find(dialog, role="text"))
        s.key("ctrl+a")
        s.type(typed)
        s.key("Return")
        s.wait_gone(title)

    def export(name):
        file_dialog("导出全部日记", "上午加餐", 6, name)
        path = os.path.join(os.environ["HOME"], name)
        wait_for(name, lambda: os.path.exists(path))
        with open(path, "rb") as file:
            return file.read()

    first = export("diary.csv")
    meal_menu(s, meals, "下午加餐", "Down", "Down", "Down")  # 记住每天的餐单 off
    s.press(s.find(s.window(MAIN), role="push button", name="删除"))
    s.wait_gone(MAIN)
    meal_menu(s, meals, "上午加餐", "Down", "Down", "Down")
    file_dialog("导入日记", "下午加餐", 5, os.path.join(os.environ["HOME"], "diary.csv"))
    s.press(s.find(s.window(MAIN), role="push button", name="确定"))
    s.wait_gone(MAIN)
    wait_equal("today after the import", lambda: column(meals), planned)
    expect("the diary exported again", export("again.csv"), first)
    close_tool(s, ENTRIES[1][2])

    def intact():
        path = os.path.join(os.environ["HOME"], ".local/share/korvella/diary.sqlite")
        with contextlib.closing(sqlite3.connect(f"file:{path}?mode=ro", uri=True)) as db:
            expect("integrity check", db.execute("PRAGMA integrity_check").fetchone()[0], "ok")
    return intact


MEALS = ("早餐", "上午加餐", "午餐", "下午加餐", "晚餐", "晚上加餐")


def type_checked(s, field, text):
    """Types text into field and waits for it there: a character xdotool types by remapping a
    key can be lost while the program takes in the new key map, and is typed again."""
    for _ in range(3):
        s.type(text)
        try:
            return wait_equal(f"{text} typed", lambda: text_of(field), text, timeout=3)
        except Failure:
            s.key("ctrl+a")  # typed again over it
    raise Failure(f"{text!r} could not be typed: {text_of(field)!r}")


def ownfoods(s):
    """From the food list's menu by keys: a yoghurt made from a label in 千焦 per serving, with
    its protein, fat and carbohydrate, found by its initials and added; a dish of pork belly and
    the butter it is cooked in made, and one serving added; a portion 一碗 given to 米饭 and two
    bowls added by name; the yoghurt edited while the day keeps its figure; the diary turned on
    and the program killed and started again: the day, the own foods and the portion are all
    there."""
    window, meals, foods = calorie_list(s, "title", "午餐")

    def dialog_named(title, text, field="名称"):  # the dialog opens with its name field focused
        dialog = s.window(title)
        name = s.find(dialog, name=field)
        wait_focused(name)
        type_checked(s, name, text)
        return dialog

    s.key("ctrl+n")
    dialog = dialog_named("新建食物", "蓝莓酸奶")
    s.key("Tab", "Tab")
    s.type("500")
    s.key("Tab", "Down", "Tab", "Down", "Tab")  # 千焦, 每份
    s.type("125")
    # 500 kJ is 119.5 kcal; in 125 g, 95.6 per 100 g
    wait_equal("kept energy", lambda: label_starting(s.window("新建食物"), "保存为"),
               "保存为每100克 96 大卡")
    for field, grams in (("蛋白质（克）", "3.9"), ("脂肪（克）", "3.4"),
                         ("碳水化合物（克）", "15.5")):
        s.key("Tab")
        type_checked(s, s.find(dialog, name=field), grams)
    s.key("Return")
    s.wait_gone("新建食物")
    own = s.find(foods, name="蓝莓酸奶")
    expect("description of 蓝莓酸奶", driver._guarded(lambda: own.description, ""),
           "自建食物；蛋白质 3.1 克，脂肪 2.7 克，碳水化合物 12.4 克（每100克）")  # of 125 g
    # Without a window manager the focus comes back by hand; the new food is in view.
    s.press(own)
    wait_focused(foods)
    s.type("lmsn")
    wait_equal("foods found by lmsn", lambda: column(foods), ["蓝莓酸奶"])
    s.key("Return")
    yoghurt = "96 大卡  蓝莓酸奶"
    wait_equal("lunch", lambda: column(meals)[2:4], ["午餐", yoghurt])

    # 新建食物…, 编辑食物…, 删除食物 (on the yoghurt), 新建菜肴…
    s.key("Menu", *["Down"] * 4, "Return")
    dialog = dialog_named("新建菜肴", "家常红烧肉")
    s.key("Tab")
    for ingredient in ("wuhuarou 500", "huangyou 20"):  # and the fat it is cooked in
        s.type(ingredient)
        s.key("Return")
    for field, typed in (("熟重（克）", "400"), ("份数", "4")):
        s.press(s.find(dialog, name=field))
        s.type(typed)
    # 500 g at 339 and 20 g at 888: 1872.6 kcal in 400 g, 468 per 100 g and per serving
    wait_equal("the dish's figures", lambda: label_starting(dialog, "总热量"),
               "总热量 1873 大卡，熟重 400 克，每100克 468 大卡，每份 468 大卡（100 克）")
    ok = ("确定", "OK")  # Qt's own button, whether its translation is at hand or not
    s.press(wait_for("确定", lambda: next((n for n in descendants(dialog)
                                          if role_of(n) == "push button" and name_of(n) in ok),
                                         None)))
    s.wait_gone("新建菜肴")
    s.press(s.find(foods, name="家常红烧肉"))
    wait_focused(foods)
    field = s.find(window, name="查找食物")
    type_checked(s, field, "jiachanghongshaorou 1份")
    s.key("Return")
    dish = "468 大卡  家常红烧肉 1份（100克）"
    wait_equal("lunch with the dish", lambda: column(meals)[2:5], ["午餐", yoghurt, dish])

    s.type("mifan")
    wait_equal("foods found by mifan", lambda: column(foods)[:1], ["米饭"])
    s.key("Escape", "Menu", "Down", "Down", "Down", "Return")  # 新建食物…, 新建菜肴…, 份量…
    dialog = dialog_named("份量", "一碗", "份量名称")
    s.key("Tab")
    s.type("150")
    s.key("Return")
    wait_equal("portions of 米饭", lambda: column(s.find(dialog, name="米饭的份量")), ["一碗"])
    s.key("Escape")
    s.wait_gone("份量")
    s.press(s.find(foods, name="米饭"))
    wait_focused(foods)
    type_checked(s, field, "mifan 2碗")
    s.key("Return")
    rice = "348 大卡  米饭 2碗（300克）"
    wait_equal("lunch with rice", lambda: column(meals)[2:6], ["午餐", yoghurt, dish, rice])

    s.type("lmsn")
    wait_equal("the yoghurt found again", lambda: column(foods), ["蓝莓酸奶"])
    s.key("Escape", "F2")
    s.press(s.find(s.window("编辑食物"), name="能量"))
    s.key("ctrl+a")
    s.type("120")
    s.key("Return")
    s.wait_gone("编辑食物")
    wait_equal("the yoghurt's row", lambda: name_of(cell(foods, len(FOODS), 2)), "120 大卡")
    wait_equal("lunch keeps its figures", lambda: column(meals)[2:6],
               ["午餐", yoghurt, dish, rice])

    meal_menu(s, meals, "午餐", *["Down"] * 4)  # 记住每天的餐单, as in diary
    s.find(window, name=date_text(datetime.date.today()), role="label")
    planned = column(meals)
    s.program.kill()
    s.program.wait()
    s.start_program(MAIN)
    s.window(MAIN, timeout=20)
    window, meals, foods = calorie_list(s, "logo", "晚餐")
    wait_equal("the day after the restart", lambda: column(meals), planned)
    wait_equal("own foods after the restart",
               lambda: [name_of(cell(foods, len(FOODS) + row, column)) for row, column in
                        ((0, 0), (0, 2), (1, 0), (1, 2))],
               ["蓝莓酸奶", "120 大卡", "家常红烧肉", "468 大卡"])
    type_checked(s, s.find(window, name="查找食物"), "mifan 1碗")
    s.key("Return")
    wait_equal("dinner by the kept portion", lambda: column(meals)[-2:],
               ["174 大卡  米饭 1碗（150克）", "晚上加餐"])
    close_tool(s, ENTRIES[1][2])


def weights(s):
    """The weight log from the meal tree's menu by keys, in place of the calorie window: a
    weighing typed and Enter, a second one for the same day replaces it after the question; a
    CSV written into HOME imported through the open dialog by typing its path; a goal typed.
    The summary line and the table read back; closing the log brings the calorie window back."""
    window, meals, foods = calorie_list(s, "title", "早餐")
    s.key("shift+Tab")
    wait_focused(meals)
    s.key("Menu", "Down", "Down", "Return")  # 设定每日目标…, 体重记录… (清除每日目标 is off)
    log = s.window("体重记录")
    s.wait_gone(ENTRIES[1][2])
    weight = s.find(log, name="体重（公斤）")
    s.press(weight)  # without a window manager nothing gives the new window the focus
    wait_focused(weight)
    s.type("80.5")
    s.key("Return")
    table = s.find(log, name="体重列表")
    today = datetime.date.today()
    wait_equal("table after a weighing", lambda: column(table, 1), ["80.5"])
    s.type("80")
    s.key("Return")
    s.find(s.window(MAIN), name="替换", role="push button")
    s.key("Return")  # 替换, the default
    wait_equal("table after replacing", lambda: column(table, 1), ["80"])

    days = [today - datetime.timedelta(days=n) for n in range(13, -1, -1)]
    path = os.path.join(os.environ["HOME"], "weights.csv")
    with open(path, "w", encoding="utf-8", newline="") as file:
        file.write("Date,Weight\r\n")
        file.writelines(f"{d.year}/{d.month}/{d.day},80 kg\r\n" for d in days)
        file.write(f"{days[0].isoformat()}x,81\r\n2020-01-01,abc\r\n")
    s.press(s.find(log, name="导入…", role="push button"))
    dialog = s.window("导入体重记录")
    wait_focused(s.find(dialog, role="text"))
    s.type(path)
    s.key("Return")
    s.wait_gone("导入体重记录")
    report = "导入 13 条体重，跳过 1 条（这一天已有记录），2 行无法导入。\n" \
             "第 16 行：日期无法识别\n第 17 行：体重不是数字"
    s.find(s.window(MAIN), name=report, role="label")
    s.key("Return")
    s.wait_gone(MAIN)

    def summary():
        return next((name_of(n) for n in descendants(log)
                     if role_of(n) == "label" and name_of(n).startswith("趋势")), None)

    wait_equal("summary after the import", summary, "趋势 80 公斤，每周 0 公斤")
    expect("dates in the table", column(table, 0)[:3], [d.isoformat() for d in days[:-4:-1]])
    goal = s.find(log, name="目标体重（公斤）")
    s.press(goal)
    wait_focused(goal)
    s.type("75")
    s.key("Return")
    wait_equal("summary with a goal", summary,
               "趋势 80 公斤，每周 0 公斤；按目前趋势，不会达到目标体重")
    s.close("体重记录")
    s.window(ENTRIES[1][2])
    s.wait_gone("体重记录")
    close_tool(s, ENTRIES[1][2])


SCENARIOS = {f.__name__: f for f in (entries, bmi, calorie, keyboard, pinyin, plan, diary, weights,
                                     ownfoods)}

# --- input methods a scenario runs under ----------------------------------------------------

FCITX_CONTROLLER = ("org.fcitx.Fcitx5", "/controller", "org.fcitx.Fcitx.Controller1")
FCITX_FILES = {  # pinyin in the default group, switched on in every new input context
    "profile": "[Groups/0]\nName=Default\nDefault Layout=us\nDefaultIM=pinyin\n"
               "[Groups/0/Items/0]\nName=keyboard-us\n[Groups/0/Items/1]\nName=pinyin\n"
               "[GroupOrder]\n0=Default\n",
    "config": "[Hotkey/TriggerKeys]\n0=Control+space\n"
              "[Behavior]\nActiveByDefault=True\nShareInputState=All\n",
}


def fcitx_contexts():
    """The program's input contexts that fcitx5 lists once the program has given them their
    capabilities, from lines such as "IC [...] program:korvella frontend:dbus cap:6000800072
    focus:1". Qt asks for one per window once the window has the focus, and passes keys by
    until it has its answer."""
    info = driver.bus_call(*FCITX_CONTROLLER, "DebugInfo", "(s)") or ""
    return [cap for cap in re.findall(r"program:korvella .*cap:([0-9a-f]+)", info) if int(cap, 16)]


@contextlib.contextmanager
def fcitx_pinyin(s):
    """fcitx5 on this session bus, its files in the scenario's own HOME, the program started
    with its Qt module. Only the addons the program meets are loaded."""
    folder = os.path.join(os.environ["HOME"], ".config", "fcitx5")
    os.makedirs(folder)
    for name, text in FCITX_FILES.items():
        with open(os.path.join(folder, name), "w", encoding="utf-8") as file:
            file.write(text)
    with open(os.path.join(os.path.dirname(s.log_path), "fcitx5.log"), "wb") as log:
        fcitx = subprocess.Popen(
            ["fcitx5", "--disable=all", "--enable=" + ",".join(FCITX_ADDONS)],
            stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
    try:
        wait_for("fcitx5 on the session bus", lambda: fcitx.poll() is None and driver.bus_call(
            *FCITX_CONTROLLER, "CurrentUI", "(s)"), timeout=20)
        s.environment["QT_IM_MODULE"] = "fcitx"
        s.environment.pop("QT_IM_MODULES", None)  # Qt 6.8 would take a desktop's list first
        yield
    finally:
        fcitx.kill()
        fcitx.wait()


FCITX_ADDONS = ("dbus", "dbusfrontend", "xcb", "classicui", "keyboard", "pinyin",
                "punctuation", "fullwidth", "quickphrase", "spell", "pinyinhelper")
INPUT_METHODS = {"pinyin": fcitx_pinyin}


# --- one run inside its session bus ---------------------------------------------------------


def run_inside(args):
    s = driver.Session([args.program], dict(os.environ), args.log, args.close)
    with open(args.foods, encoding="utf-8", newline="") as table:
        FOODS.extend(csv.DictReader(table))
    s.environment.update(QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    try:
        s.start_accessibility_bus()
        with INPUT_METHODS.get(args.inside, contextlib.nullcontext)(s):
            s.start_program(MAIN)
            s.window(MAIN, timeout=20)
            after = SCENARIOS[args.inside](s)  # a check for when the program has ended, if any
            s.close(MAIN)
            s.end_program()
        if after:
            after()
    except Failure as failure:
        print(f"FAIL {args.inside}: {failure}\n{s.describe()}", flush=True)
        return 1
    return 0


# --- the scenarios, each in a fresh X server and session bus --------------------------------


def lay_out(folder, program_dir, fixture):
    """The build's program folder, with the fixture in place of the program."""
    os.mkdir(folder)
    for entry in os.listdir(program_dir):
        if entry != "korvella":
            os.symlink(os.path.join(program_dir, entry), os.path.join(folder, entry))
    program = os.path.join(folder, "korvella")
    shutil.copy2(fixture, program)  # the program looks for its modules beside its real path
    return program


def start_x_server(log):
    read_end, write_end = os.pipe()
    # Without -noreset the server resets whenever its last client leaves, and refuses
    # connections meanwhile: each xdotool call is such a client.
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                               "1280x1024x24", "-nolisten", "tcp", "-noreset"],
                              pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=log,
                              stderr=log, start_new_session=True)
    os.close(write_end)
    with os.fdopen(read_end) as display:
        number = display.readline().strip()  # written once the server accepts clients
    if not number:
        server.kill()
        raise Failure("Xvfb did not start")
    return server, ":" + number


def end_group(process):
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    process.wait()


def run_scenario(name, args, work, vendor_port):
    folder = os.path.join(work, name)
    program = lay_out(folder, args.program_dir, args.fixture)
    home, runtime = os.path.join(folder, "home"), os.path.join(folder, "runtime")
    os.mkdir(home)
    os.mkdir(runtime, 0o700)
    environment = {k: v for k, v in os.environ.items()
                   if k not in ("LD_LIBRARY_PATH", "DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS",
                                "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                                "XDG_STATE_HOME", "WAYLAND_DISPLAY", "XAUTHORITY")}
    environment.update(HOME=home, XDG_RUNTIME_DIR=runtime, PYTHONIOENCODING="utf-8",
                       KORVELLA_FIXTURE_VENDOR_HOST=f"127.0.0.1:{vendor_port}")
    if os.geteuid() == 0:
        environment["QTWEBENGINE_DISABLE_SANDBOX"] = "1"  # Chromium refuses its sandbox to root

    session_log = os.path.join(folder, "session.log")
    with open(os.path.join(folder, "xvfb.log"), "wb") as x_log:
        x_server, environment["DISPLAY"] = start_x_server(x_log)
    session = None
    started = time.monotonic()
    try:
        with open(session_log, "wb") as log:  # the buses' chatter, and any traceback
            session = subprocess.Popen(
                ["dbus-run-session", "--", sys.executable, os.path.abspath(__file__),
                 "--inside", name, "--program", program, "--close", args.close, "--foods",
                 args.foods, "--log", os.path.join(folder, "program.log")],
                env=environment, stdin=subprocess.DEVNULL, stderr=log, start_new_session=True)
        try:
            status = session.wait(args.timeout)
        except subprocess.TimeoutExpired:
            print(f"FAIL {name}: still running after {args.timeout} s", flush=True)
            status = 1
    finally:
        if session is not None:
            end_group(session)  # the program, its browser processes, both buses
        if x_server.poll() is not None:
            print(f"the X server {environment['DISPLAY']} ended early, status {x_server.returncode}")
        end_group(x_server)
    if status != 0:
        for title, path in (("session", session_log), ("X server", x_log.name)):
            with open(path, encoding="utf-8", errors="replace") as log:
                print(f"{title} errors:\n" + "".join(
                    line for line in log if "Failed to set fd limit" not in line), end="")
    print(f"{'PASS' if status == 0 else 'FAIL'} {name} ({time.monotonic() - started:.1f} s)",
          flush=True)
    return status == 0


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--program-dir")
    parser.add_argument("--fixture")
    parser.add_argument("--close", required=True)
    parser.add_argument("--foods", required=True)
    parser.add_argument("--timeout", type=float, default=60)
    parser.add_argument("--inside", choices=SCENARIOS, help=argparse.SUPPRESS)
    parser.add_argument("--program", help=argparse.SUPPRESS)
    parser.add_argument("--log", help=argparse.SUPPRESS)
    parser.add_argument("scenarios", nargs="*", choices=[[], *SCENARIOS], metavar="SCENARIO",
                        help=f"one of {', '.join(SCENARIOS)}; all when none is given")
    args = parser.parse_args()
    if args.inside:
        return run_inside(args)
    if not (args.program_dir and args.fixture):
        parser.error("--program-dir and --fixture are required")
    for path in ("program_dir", "fixture", "close", "foods"):
        setattr(args, path, os.path.abspath(getattr(args, path)))

    # A bound port that does not listen: every connection to the vendor host is refused.
    closed = socket.socket()
    closed.bind(("127.0.0.1", 0))
    passed = failed = 0
    with tempfile.TemporaryDirectory(prefix="korvella-e2e-") as work:
        for name in args.scenarios or SCENARIOS:
            if run_scenario(name, args, work, closed.getsockname()[1]):
                passed += 1
            else:
                failed += 1
    closed.close()
    print(f"{passed} passed, {failed} failed")
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))  # unwinds, ending the groups
    sys.exit(main())
