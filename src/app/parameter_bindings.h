#pragma once

#include "channels/parameters.h"

class QComboBox;
class Ui_MainWindow;
class MainWindow;

// Where each parameter of the model (UnitModel::confirmed) shows in the
// window: its list, and the setter slot on the list that offers a change to
// the unit.
struct ParameterBinding {
    QComboBox *Ui_MainWindow::*widget;
    void (MainWindow::*setter)(int index);
};

const ParameterBinding &parameter_binding(parameters::ParameterId id);
