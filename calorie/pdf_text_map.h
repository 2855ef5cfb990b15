#pragma once
// Qt's PDF writer names each glyph in its text map after the lowest character the font draws with
// it. CJK fonts draw the radical ⽇ (U+2F47) with the glyph of 日 and a tab with the glyph of the
// blank, so text copied or searched in a page would read radicals and tabs. This puts the names
// of the characters really drawn back, in place: a later Qt that names them right leaves nothing
// to do here.

#include <QByteArray>
#include <QFont>
#include <QHash>
#include <QList>
#include <QString>

// Each lower character that shares its glyph with a character of text, as four upper-case hex
// digits, to that character.
QHash<QByteArray, QByteArray> MisnamedGlyphs(const QString& text, const QList<QFont>& fonts);

// Renames in the text maps' lines "<from> <to> <name>" (one glyph when from equals to) and
// "<from> <to> [<name> <name> ...]": every name is four hex digits, so no offset moves.
void RenameGlyphs(QByteArray& pdf, const QHash<QByteArray, QByteArray>& names);
