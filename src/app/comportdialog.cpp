#include "comportdialog.h"

#include "ui_comportdialog.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

ComPortDialog::ComPortDialog(QWidget *parent, int *speed_index, int *repeat_index, int *wait_index,
                             int *speed_search)
    : QDialog(parent), ui(std::make_unique<Ui::ComPortDialog>()), speed_search(speed_search),
      speed_index(speed_index), repeat_index(repeat_index), wait_index(wait_index)
{
    ui->setupUi(this);
    // The form places its rows at fixed points, which cut the check box's
    // text; in a layout each row gets the room its text needs, at any font.
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(ui->pushButton);
    buttons->addStretch(1);
    buttons->addWidget(ui->pushButton_2);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 12);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->addWidget(ui->gridLayoutWidget);
    column->addWidget(ui->checkBox);
    column->addSpacing(8);
    column->addLayout(buttons);
    ui->comboBox->setCurrentIndex(*speed_index);
    ui->checkBox->setChecked(*speed_search != 0);
}

ComPortDialog::~ComPortDialog() = default;

void ComPortDialog::on_pushButton_released()
{
    // The attempts and the wait are not offered here; they keep their values.
    if (ui->comboBox->currentIndex() >= 0)
        *speed_index = ui->comboBox->currentIndex();
    *speed_search = ui->checkBox->isChecked() ? 1 : 0;
    hide();
}

void ComPortDialog::on_pushButton_2_released()
{
    hide();
}
