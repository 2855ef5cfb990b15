#pragma once
// Every report's expected text and spans, written by hand, for the report tests.

#include "frame/core/report.h"

#include <QList>
#include <QString>

using Kind = Emphasis::Kind;

// An expected span by line and column of the expected text, both from 0.
struct Mark {
    Kind kind;
    int line;
    int column;
    int length;
};

QList<Emphasis> ToEmphases(const QString& text, const QList<Mark>& marks);

extern const QString BmiTable4;
extern const QString BmiTable5;

struct Case {
    const char* name;
    Report actual;
    QString text;
    QList<Mark> marks;
};

// Builds the standard-weight tables first.
QList<Case> Cases();
