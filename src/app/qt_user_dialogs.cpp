#include "qt_user_dialogs.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cstdio>
#include <cstdlib>

namespace {

class QtProgressDialog : public ProgressDialog {
public:
    QtProgressDialog(const ProgressOptions &options, QWidget *parent)
        : m_dialog(options.label, options.cancel_text, options.minimum, options.maximum, parent)
    {
        m_dialog.setWindowTitle(options.title);
        m_dialog.setAutoClose(options.auto_close);
        m_dialog.setAutoReset(options.auto_reset);
        m_dialog.setMinimumDuration(options.minimum_duration_ms);
        m_dialog.setWindowModality(options.window_modal ? Qt::WindowModal : Qt::ApplicationModal);
        if (options.cancel_text.isEmpty())
            m_dialog.setCancelButton(nullptr);
    }
    void show() override { m_dialog.show(); }
    void setValue(int value) override { m_dialog.setValue(value); }
    void setLabelText(const QString &text) override { m_dialog.setLabelText(text); }
    void setMaximum(int maximum) override { m_dialog.setMaximum(maximum); }
    bool wasCanceled() const override { return m_dialog.wasCanceled(); }
    void close() override { m_dialog.hide(); }

private:
    QProgressDialog m_dialog;
};

QMessageBox::Icon icon_of(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Critical:
        return QMessageBox::Critical;
    case MessageKind::Information:
        return QMessageBox::Information;
    case MessageKind::Question:
        return QMessageBox::Question;
    case MessageKind::Warning:
        return QMessageBox::Warning;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

int QtUserDialogs::message(MessageKind kind, const QString &title, const QString &text, int buttons,
                           const QString &informative)
{
    return detailed_message(kind, title, text, buttons, informative, QString());
}

int QtUserDialogs::detailed_message(MessageKind kind, const QString &title, const QString &text, int buttons,
                                    const QString &informative, const QString &details)
{
    QMessageBox box(icon_of(kind), title, text, QMessageBox::StandardButtons(buttons), m_parent);
    if (!informative.isEmpty())
        box.setInformativeText(informative);
    if (!details.isEmpty())
        box.setDetailedText(details);
    return box.exec();
}

QString QtUserDialogs::openFileName(const FileDialogOptions &options)
{
    return QFileDialog::getOpenFileName(m_parent, options.title, options.directory, options.filter);
}

QString QtUserDialogs::saveFileName(const FileDialogOptions &options)
{
    return QFileDialog::getSaveFileName(m_parent, options.title, options.directory, options.filter);
}

std::unique_ptr<ProgressDialog> QtUserDialogs::progress(const ProgressOptions &options)
{
    return std::make_unique<QtProgressDialog>(options, m_parent);
}

int QtUserDialogs::choose(const QString &title, const QString &label, const QStringList &items)
{
    bool ok = false;
    const QString item = QInputDialog::getItem(m_parent, title, label, items, 0, false, &ok);
    return ok ? int(items.indexOf(item)) : -1;
}

bool QtUserDialogs::compare(const ComparisonTable &table, QList<int> *ticked)
{
    QDialog dialog(m_parent);
    dialog.setWindowTitle(table.title);
    auto *layout = new QVBoxLayout(&dialog);
    if (!table.warning.isEmpty()) {
        auto *warning = new QLabel(table.warning, &dialog);
        warning->setWordWrap(true);
        warning->setStyleSheet(QStringLiteral("color: #B00000; font-weight: bold;"));
        layout->addWidget(warning);
    }
    auto *grid = new QTableWidget(int(table.rows.size()), int(table.columns.size()), &dialog);
    grid->setHorizontalHeaderLabels(table.columns);
    grid->verticalHeader()->hide();
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    for (int r = 0; r < table.rows.size(); ++r)
        for (int c = 0; c < table.columns.size(); ++c) {
            auto *item = new QTableWidgetItem(table.rows[r].value(c));
            if (c == 0 && table.differs.value(r) && !table.accept_text.isEmpty()) {
                item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
                item->setCheckState(Qt::Checked);
            }
            if (table.differs.value(r))
                item->setBackground(QColor(0xFF, 0xF0, 0xC0));
            grid->setItem(r, c, item);
        }
    grid->resizeColumnsToContents();
    grid->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(grid);
    // The differences first of all: the equal rows are hidden until asked for.
    const bool any_differs = table.differs.contains(true);
    if (any_differs && table.differs.contains(false)) {
        auto *only = new QCheckBox(QStringLiteral("Только различия"), &dialog);
        const auto show_rows = [grid, &table](bool only_differing) {
            for (int r = 0; r < grid->rowCount(); ++r)
                grid->setRowHidden(r, only_differing && !table.differs.value(r));
        };
        QObject::connect(only, &QCheckBox::toggled, &dialog, show_rows);
        only->setChecked(true);
        show_rows(true);
        layout->addWidget(only);
    }
    layout->addWidget(new QLabel(table.summary, &dialog));
    auto *buttons = new QDialogButtonBox(&dialog);
    if (!table.accept_text.isEmpty())
        buttons->addButton(table.accept_text, QDialogButtonBox::AcceptRole);
    buttons->addButton(table.close_text.isEmpty() ? QStringLiteral("Отмена") : table.close_text,
                       QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    // Wide enough for every column (the journal's are many); the screen
    // bounds it as it is shown.
    int columns_width = 0;
    for (int c = 0; c < grid->columnCount(); ++c)
        columns_width += grid->columnWidth(c);
    const QMargins margins = layout->contentsMargins();
    dialog.resize(std::max(640, columns_width + 2 * grid->frameWidth() +
                                    grid->verticalScrollBar()->sizeHint().width() + margins.left() +
                                    margins.right() + 8),
                  480);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    ticked->clear();
    for (int r = 0; r < grid->rowCount(); ++r)
        if (grid->item(r, 0)->checkState() == Qt::Checked && table.differs.value(r))
            *ticked << r;
    return true;
}

bool QtUserDialogs::report_choice(ReportChoice *choice)
{
    QDialog dialog(m_parent);
    dialog.setWindowTitle(QStringLiteral("Отчёт"));
    auto *form = new QFormLayout(&dialog);
    auto *site = new QLineEdit(choice->site, &dialog);
    auto *installer = new QLineEdit(choice->installer, &dialog);
    // Room for a site's full name and an installer's initials.
    site->setMinimumWidth(site->fontMetrics().averageCharWidth() * 40);
    installer->setMinimumWidth(site->minimumWidth());
    form->addRow(QStringLiteral("Объект"), site);
    form->addRow(QStringLiteral("Наладчик"), installer);
    auto *measure = new QCheckBox(QStringLiteral("Измерения каналов (по 15 с на канал)"), &dialog);
    auto *self_test = new QCheckBox(QStringLiteral("Дистанционный контроль"), &dialog);
    auto *log = new QSpinBox(&dialog);
    log->setRange(0, 1000);
    log->setSpecialValueText(QStringLiteral("нет"));
    measure->setChecked(choice->measure);
    self_test->setChecked(choice->self_test);
    log->setValue(choice->log_records);
    if (choice->from_unit) {
        form->addRow(measure);
        form->addRow(self_test);
        form->addRow(QStringLiteral("Записей протокола"), log);
    }
    auto *buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("Сохранить отчёт…"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    choice->site = site->text().trimmed();
    choice->installer = installer->text().trimmed();
    choice->measure = choice->from_unit && measure->isChecked();
    choice->self_test = choice->from_unit && self_test->isChecked();
    choice->log_records = choice->from_unit ? log->value() : 0;
    return true;
}

void QtUserDialogs::terminate(int status)
{
    std::fflush(nullptr);
    std::_Exit(status);
}
