#include "prog.h"

prog::prog(QWidget *parent, const QString &message) : QDialog(parent)
{
    setupUi(this);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);

    QPalette window_palette = palette();
    window_palette.setColor(QPalette::Window, Qt::darkRed);
    setPalette(window_palette);
    setAutoFillBackground(true);

    label->setText(message);
    QPalette text_palette = label->palette();
    text_palette.setColor(QPalette::WindowText, Qt::white);
    text_palette.setColor(QPalette::Highlight, Qt::yellow);
    label->setPalette(text_palette);
    // The same palette gives the bar its yellow chunk.
    progressBar->setPalette(text_palette);
}

void prog::start_progress(int steps)
{
    total = steps;
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
}

void prog::set_step(int step)
{
    if (total <= 0)
        return;
    progressBar->setValue(int(double(step) * 100 / total));
}
