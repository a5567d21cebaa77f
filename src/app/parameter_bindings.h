#pragma once

#include "channels/parameters.h"

class QComboBox;
class Ui_MainWindow;
class MainWindow;

// Where each parameter lives in the window: its list, the member holding the
// index the unit last confirmed, and the setter slot on the list.
struct ParameterBinding {
    QComboBox *Ui_MainWindow::*widget;
    int MainWindow::*confirmed;
    void (MainWindow::*setter)(int index);
};

const ParameterBinding &parameter_binding(parameters::ParameterId id);
