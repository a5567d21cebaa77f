#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class ComPortDialog;
}

// The line-speed dialog: picks the speed of the next connection and whether
// the speed is first told to the unit at every other speed.
class ComPortDialog : public QDialog {
    Q_OBJECT
public:
    ComPortDialog(QWidget *parent, int *speed_index, int *repeat_index, int *wait_index, int *speed_search);
    ~ComPortDialog() override;

private slots:
    void on_pushButton_released();    // "Применить"
    void on_pushButton_2_released();  // "Отменить"

private:
    std::unique_ptr<Ui::ComPortDialog> ui;
    int *speed_search;
    int *speed_index;
    int *repeat_index;
    int *wait_index;
};
