#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The effect-list files "ssShowEffects.Dat" and "ssHideEffects.Dat": one entry per line.
inline const QString ShowEffectsFileName = QStringLiteral("ssShowEffects.Dat");
inline const QString HideEffectsFileName = QStringLiteral("ssHideEffects.Dat");

// Lines end at CR, LF or CR LF; a last line without an end counts; an empty line is an empty entry; a NUL
// ends the text. Entries are kept as they stand.
QStringList ParseStringList(const QByteArray& text);
// Every entry followed by CR LF.
QByteArray FormatStringList(const QStringList& entries);

// Throws EFOpenError "Cannot open file ..." when the file cannot be read.
QStringList LoadStringsFromFile(const QString& path);
// Throws EFCreateError "Cannot create file ..." when the file cannot be written. The old file is replaced
// only once the new one is complete.
void SaveStringsToFile(const QStringList& entries, const QString& path);

// The numbers of every effect of the catalogue, "0" to "21", in numeric order.
QStringList DefaultEffectList();
// Loads the list from the file, or, when there is no such file, fills it with the default entries and
// saves them there at once.
void LoadOrCreateEffectList(QStringList& list, const QString& path);

// The text order of effect lists: case-insensitive under the user's locale, not numeric.
int CompareEffectText(const QString& a, const QString& b);
void SortEffectList(QStringList& list);
// Binary search under the same order; the index of an entry equal to text, or -1.
int FindEffectText(const QStringList& sorted, const QString& text);

// Draws an effect number from a list of decimal entries after reseeding the generator; -1 for an empty
// list. Throws EConvertError "'%s' is not a valid integer value" for an entry that is not a number.
int ChooseEffect(const QStringList& effects);
