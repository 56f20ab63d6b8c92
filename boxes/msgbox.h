#pragma once
#include "failure/failure.h"

#include <QMessageBox>
#include <QString>

class QWidget;

// The window's modal message boxes, with the button captions of a Chinese
// desktop. The first button of each set is the default.
enum class MsgButtons { OkOnly, OkCancel, YesNo };

QMessageBox::StandardButton MsgBox(QWidget *parent, const QString &prompt, MsgButtons buttons,
                                   const QString &title);

// The box that reports a failure which ends the program.
void showFatalError(QWidget *parent, const QString &message);

// A failure the operator must hear about; the program goes on.
void showError(QWidget *parent, const QString &title, const QString &message);
void showError(QWidget *parent, const QString &title, const Failure &failure);
