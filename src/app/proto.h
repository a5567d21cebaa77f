#pragma once

#include <QDialog>
#include <memory>

class UserDialogs;

namespace Ui {
class ProtocolDlg;
}

// The event-log viewer: the lines read from the unit, saved to a text file
// on request.
class proto : public QDialog {
    Q_OBJECT
public:
    proto(QWidget *parent, UserDialogs *dialogs);
    ~proto() override;

    void add_line(const QString &text);

private slots:
    void on_save_btn_released();  // "Сохранить"
    void on_done_btn_released();  // "Ок"

private:
    void set_whats_this();

    std::unique_ptr<Ui::ProtocolDlg> ui;
    UserDialogs *dialogs;
};
