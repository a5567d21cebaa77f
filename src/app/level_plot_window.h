#pragma once

#include "signal/level_series.h"
#include "signal/poll_sample.h"

#include <QElapsedTimer>
#include <QWidget>

#include <memory>

class LevelPlot;
class UserDialogs;

// "График уровня — канал N": a window beside the main window that records
// what the status poll reports (it sends nothing itself) and shows it as a
// level plot over the state band. "Пауза" stops the view, not the
// recording; "Сохранить…" and Ctrl+S save the recording as CSV, or as a PNG
// image of the plot when the name ends in .png.
class LevelPlotWindow : public QWidget {
    Q_OBJECT
public:
    LevelPlotWindow(std::shared_ptr<UserDialogs> dialogs, int channel, QWidget *parent = nullptr);

    // One status poll, stamped with the time since the window opened.
    void add_sample(const PollSample &sample);
    const level_signal::Series &series() const { return m_series; }
    LevelPlot *plot() const { return m_plot; }

    // Writes the recording to path, whole or not at all; 0 on success, else
    // the reason in *error.
    int save_to(const QString &path, QString *error, QString *note = nullptr) const;

public slots:
    // Asks for a file name and saves; a failure is told as the program's
    // other file errors.
    void save();

private:
    void set_channel(int channel);

    std::shared_ptr<UserDialogs> m_dialogs;
    level_signal::Series m_series;
    QElapsedTimer m_clock;
    LevelPlot *m_plot = nullptr;
    int m_channel = 0;
};
