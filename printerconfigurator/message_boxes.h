#pragma once

// The two message boxes of the printer tools: information boxes with the
// program's title and Chinese button texts.

#include <QString>

class QWidget;

// Button results, as the callers compare them.
inline constexpr int kMessageBoxOk = 0x400;
inline constexpr int kMessageBoxCancel = 0x400000;

// A modal box with one button "确  定"; gives kMessageBoxOk.
int ShowMessageBoxOk(QWidget* parent, const QString& title, const QString& text);

// A modal box with "确  定" (kMessageBoxOk) and "取  消" (kMessageBoxCancel),
// Cancel the default; gives the button chosen.
int ShowMessageBoxOkCancel(QWidget* parent, const QString& title, const QString& text);
