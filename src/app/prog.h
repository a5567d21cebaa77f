#pragma once

#include "ui_prog.h"

#include <QDialog>
#include <QString>

// The frameless progress window of the firmware update: a message over a
// yellow bar on dark red, 0..100 percent of total steps.
class prog : public QDialog, public Ui::SDialog {
    Q_OBJECT
public:
    prog(QWidget *parent, const QString &message);

    // The bar goes back to 0 of total steps.
    void start_progress(int total);
    // The bar shows step of total, in whole percent rounded down.
    void set_step(int step);

    int total = 0;
};
