#include "proto.h"

#include "common/user_dialogs.h"
#include "common/user_files.h"
#include "qt_user_dialogs.h"
#include "services/event_log.h"
#include "ui_proto.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QStringList>
#include <QVBoxLayout>

proto::proto(QWidget *parent, UserDialogs *dialogs, QString *directory)
    : QDialog(parent), ui(std::make_unique<Ui::ProtocolDlg>()), dialogs(dialogs),
      m_own_directory(QDir::currentPath()), m_directory(directory ? directory : &m_own_directory)
{
    ui->setupUi(this);
    // In a layout the list grows with the window and shrinks with a small
    // screen instead of running off it.
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ui->save_btn);
    buttons->addWidget(ui->done_btn);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 10);
    column->addWidget(ui->pr, 1);
    column->addLayout(buttons);
    if (!dialogs) {
        m_own_dialogs = std::make_unique<QtUserDialogs>(this);
        this->dialogs = m_own_dialogs.get();
    }
}

proto::~proto() = default;

void proto::add_line(const QString &text)
{
    ui->pr->addItem(text);
    set_whats_this();
}

void proto::set_whats_this()
{
    ui->pr->setWhatsThis(QStringLiteral("Протокол работы"));
    ui->save_btn->setWhatsThis(QStringLiteral("Сохранить протокол в файл"));
    ui->done_btn->setWhatsThis(QStringLiteral("Закрыть окно с протоколом"));
}

void proto::on_save_btn_released()
{
    const QString path = dialogs->saveFileName(
        {QStringLiteral("Файл протокола"), *m_directory, QStringLiteral("Текстовый документ (*.txt)")});
    if (path.isEmpty())
        return;
    *m_directory = QFileInfo(path).absolutePath();
    QStringList lines;
    for (int row = 0; row < ui->pr->count(); ++row)
        lines << ui->pr->item(row)->text();
    QString error, note;
    if (save_user_file(path, log_file_bytes(lines), &error, &note) != 0)
        dialogs->message(MessageKind::Information, QStringLiteral("Невозможно открыть файл !"), error,
                         OkButton, note);
}

void proto::on_done_btn_released()
{
    accept();
}
