#pragma once

#include <QDialog>
#include <memory>

class QtUserDialogs;
class UserDialogs;

namespace Ui {
class ProtocolDlg;
}

// The event-log viewer: the lines read from the unit, saved to a text file
// on request.
class proto : public QDialog {
    Q_OBJECT
public:
    // dialogs: null for the real ones, over this window. directory: where
    // the save dialog starts, then the folder of the file last picked; null:
    // the viewer's own, from the current directory.
    proto(QWidget *parent, UserDialogs *dialogs = nullptr, QString *directory = nullptr);
    ~proto() override;

    void add_line(const QString &text);

private slots:
    void on_save_btn_released();  // "Сохранить"
    void on_done_btn_released();  // "Ок"

private:
    void set_whats_this();

    std::unique_ptr<Ui::ProtocolDlg> ui;
    std::unique_ptr<QtUserDialogs> m_own_dialogs;
    UserDialogs *dialogs;
    QString m_own_directory;
    QString *m_directory;
};
