#include "proto.h"

#include "common/user_dialogs.h"
#include "services/event_log.h"
#include "ui_proto.h"

#include <QStringList>

proto::proto(QWidget *parent, UserDialogs *dialogs)
    : QDialog(parent), ui(std::make_unique<Ui::ProtocolDlg>()), dialogs(dialogs)
{
    ui->setupUi(this);
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
    const QString path = dialogs->saveFileName({QStringLiteral("Файл протокола"), QStringLiteral(".\\"),
                                                QStringLiteral("Текстовый документ (*.txt)")});
    if (path.isEmpty())
        return;
    QStringList lines;
    for (int row = 0; row < ui->pr->count(); ++row)
        lines << ui->pr->item(row)->text();
    QString error;
    if (save_text_file(path, log_file_bytes(lines), &error) != 0)
        dialogs->message(MessageKind::Information, QStringLiteral("Невозможно открыть файл !"), error,
                         OkButton);
}

void proto::on_done_btn_released()
{
    accept();
}
