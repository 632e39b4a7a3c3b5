#pragma once

#include <QString>
#include <QStringList>

// The settings dialog's rules that need no widget.
// Their texts are Russian, translated as the dialog's own texts are (context "TFProperty").

// Milliseconds as minutes and seconds, each at least two digits: "00 Мин  и  15 Сек" when verbose,
// "00:15" otherwise. Parts of a second are dropped.
QString MSecToText(int milliseconds, bool verbose);

// The interval slider's position p stands for 6 * p milliseconds. Both conversions round (halves to even),
// so every whole number of seconds the slider can show comes back unchanged when the dialog is opened and
// closed again. Values beyond the integer range saturate; the slider clamps them.
int IntervalToPosition(int seconds);
int PositionToInterval(int position);
// How long the preview holds a picture at that position, in milliseconds.
int HoldTimeAt(int position);
// The texts under the two sliders.
QString IntervalText(int position);
QString SpeedText(int position);

// The names of the effects of the catalogue, item i standing for effect number i.
QStringList EffectNames();

// Checks or unchecks effect number i in an effect list: appends its decimal text, or deletes the entry
// found for it; then sorts the list in text order. Entries that are no effect number stay.
void SetEffectEnabled(QStringList& list, int effect, bool enabled);
// Whether the decimal text of effect number i is in the sorted list.
bool EffectEnabled(const QStringList& sorted, int effect);

// The messages under the folder field for a folder without pictures.
QString NoPicturesAtStartText();
QString NoPicturesAfterChoiceText();
