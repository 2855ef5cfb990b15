#pragma once
// The seven tools of the launcher, in index order, with everything the program knows of each:
// the launcher builds its entries from this table, OpenTool creates the windows with it and the
// tests walk it. Adding a tool is adding a row.

#include <QPoint>
#include <QString>

#include <span>

class ToolWindow;

struct Tool {
    QPoint panel; // inside Picture_底部背景
    QString title;
    QString titleColor;
    QString tip;
    QString caption; // of the window it opens
    ToolWindow* (*create)();
};

std::span<const Tool> Tools();
