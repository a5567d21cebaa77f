#include "level_plot_window.h"

#include "common/user_dialogs.h"
#include "common/user_files.h"
#include "level_plot.h"
#include "services/event_log.h"
#include "signal/level_csv.h"

#include <QBuffer>
#include <QHBoxLayout>
#include <QImage>
#include <QImageWriter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

LevelPlotWindow::LevelPlotWindow(std::shared_ptr<UserDialogs> dialogs, int channel, QWidget *parent)
    : QWidget(parent, Qt::Window), m_dialogs(std::move(dialogs))
{
    setAttribute(Qt::WA_DeleteOnClose);
    m_clock.start();
    m_plot = new LevelPlot(m_series, this);
    auto *pause = new QPushButton(QStringLiteral("Пауза"), this);
    pause->setCheckable(true);
    auto *save_button = new QPushButton(QStringLiteral("Сохранить…"), this);
    connect(pause, &QPushButton::toggled, m_plot, &LevelPlot::set_paused);
    connect(save_button, &QPushButton::clicked, this, &LevelPlotWindow::save);
    auto *shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
    connect(shortcut, &QShortcut::activated, this, &LevelPlotWindow::save);
    // Esc and Ctrl+W close it, as a dialog closes.
    for (const QKeySequence &keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(pause);
    buttons->addWidget(save_button);
    buttons->addStretch(1);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    column->addLayout(buttons);
    column->addWidget(m_plot, 1);
    set_channel(channel);
    resize(880, 420);
}

void LevelPlotWindow::add_sample(const PollSample &sample)
{
    const qint64 now = m_clock.elapsed();
    m_series.add(now, sample);
    if (sample.channel != m_channel)
        set_channel(sample.channel);
    m_plot->set_now(now);
}

void LevelPlotWindow::set_channel(int channel)
{
    m_channel = channel;
    setWindowTitle(QStringLiteral("График уровня — канал %1").arg(channel));
}

int LevelPlotWindow::save_to(const QString &path, QString *error, QString *note) const
{
    QByteArray bytes;
    if (path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(m_plot->grab().toImage())) {
            *error = writer.errorString();
            return 1;
        }
    } else {
        bytes = level_csv::file_bytes(m_series);
    }
    return save_user_file(path, bytes, error, note);
}

void LevelPlotWindow::save()
{
    const QString path = m_dialogs->saveFileName(
        {QStringLiteral("График уровня"), QStringLiteral("uroven_%1.csv").arg(m_channel),
         QStringLiteral("Таблица CSV (*.csv);;Изображение PNG (*.png)")});
    if (path.isEmpty())
        return;
    QString error, note;
    if (save_to(path, &error, &note) != 0)
        m_dialogs->message(MessageKind::Information, QStringLiteral("Невозможно открыть файл !"), error,
                           OkButton, note);
}
