#pragma once

// The main window as the benchmark drives it: real progress dialogs,
// messages answered at once, connected to the simulated unit as the
// installer does it.
#include "common/user_dialogs.h"
#include "mainwindow.h"
#include "qt_user_dialogs.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace bench {

class SimChild;

// The real progress dialogs; messages are answered at once and kept, since
// nobody is there to close a message box.
class BenchDialogs : public UserDialogs {
public:
    explicit BenchDialogs(QtUserDialogs *real) : m_real(real) {}
    int message(MessageKind kind, const QString &, const QString &text, int,
                const QString & = QString()) override
    {
        messages << text;
        return kind == MessageKind::Question ? YesButton : OkButton;
    }
    QString openFileName(const FileDialogOptions &) override { return {}; }
    QString saveFileName(const FileDialogOptions &) override { return {}; }
    std::unique_ptr<ProgressDialog> progress(const ProgressOptions &options) override;
    void terminate(int) override {}

    QStringList messages;

private:
    QtUserDialogs *m_real;
};

// The main window with those dialogs, shown.
struct BenchWindow {
    explicit BenchWindow(const Timing &timing = Timing());
    QtUserDialogs real;
    std::shared_ptr<BenchDialogs> dialogs;
    std::unique_ptr<MainWindow> window;
};

// Runs the event loop for ms, as the program idles.
void run_for(int ms);
bool wait_for(const std::function<bool()> &done, int ms);

// The port, the address 1, "Старт"; empty when connected, else why not.
QString connect_window(MainWindow &window, const SimChild &sim, const BenchDialogs &dialogs);

}  // namespace bench
