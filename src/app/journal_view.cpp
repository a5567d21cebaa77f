// The change journal in the window, and taking back the last change.
#include "mainwindow.h"
#include "parameter_bindings.h"
#include "services/journal_table.h"
#include "services/journal_undo.h"
#include "ui_mainwindow.h"

using namespace parameters;

namespace {

// A journal of 10 MB holds tens of thousands of lines; the newest are shown.
constexpr int kShownEntries = 2000;

}  // namespace

void MainWindow::show_journal()
{
    const journal::ChangeJournal file;
    int skipped = 0;
    QList<journal::Entry> entries = file.read(&skipped);
    const bool unit = m_session.state() == ConnectionState::Connected;
    if (unit)
        entries = journal::filtered(entries, m_model.unit_address, m_session.port_name());

    ComparisonTable table;
    table.title = QStringLiteral("Журнал изменений");
    table.columns = journal::table_columns();
    for (auto e = entries.crbegin(); e != entries.crend() && table.rows.size() < kShownEntries; ++e) {
        table.rows << journal::table_row(*e);
        table.differs << false;
    }
    table.summary = unit ? QStringLiteral("Блок %1 на %2: записей %3")
                               .arg(m_model.unit_address)
                               .arg(m_session.port_name())
                               .arg(entries.size())
                         : QStringLiteral("Все блоки: записей %1").arg(entries.size());
    if (entries.size() > table.rows.size())
        table.summary += QStringLiteral(", показаны последние %1").arg(table.rows.size());
    if (skipped)
        table.warning = QStringLiteral("%1: пропущено поврежденных строк: %2").arg(file.path()).arg(skipped);
    table.close_text = QStringLiteral("Закрыть");
    QList<int> none;
    m_dialogs->compare(table, &none);
}

void MainWindow::undo_last_change()
{
    if (m_session.state() != ConnectionState::Connected || m_session.busy() || m_form.setters_armed == 0 ||
        m_form.controls_frozen)
        return;
    const journal::Undo undo = journal::last_undo(
        journal::filtered(journal::ChangeJournal().read(), m_model.unit_address, m_session.port_name()));
    if (undo.kind == journal::Undo::Nothing) {
        information(undo.reason);
        return;
    }
    const QString label = undo.change.label;
    const QString was = undo.change.old_value.text;
    if (undo.kind == journal::Undo::Cross) {
        if (undo.code == m_model.cross_mask) {
            information(QStringLiteral("«%1» уже имеет прежнее значение «%2».").arg(label, was));
            return;
        }
        m_model.prev_cross_mask = m_model.cross_mask;
        m_model.cross_mask = quint8(undo.code);
        send_cross_mask();
        return;
    }

    // A channel's value is set on that channel: the form goes to it first,
    // as the installer would.
    const bool unit_wide = undo.list == lists::Zad || undo.list == lists::Block;
    if (!unit_wide && undo.channel >= 1 && undo.channel <= 4 && undo.channel != m_model.current_channel) {
        ui->chn->setCurrentIndex(undo.channel - 1);
        if (m_session.state() != ConnectionState::Connected || m_model.current_channel != undo.channel)
            return;
    }
    const bool mode = undo.list == lists::Onoff;
    QComboBox *box = mode ? ui->onoff : ui.get()->*parameter_binding(ParameterId(undo.list)).widget;
    const int index = undo.code - (mode ? 0 : parameter(ParameterId(undo.list)).offset);
    if (index < 0 || index >= box->count()) {
        information(QStringLiteral("Прежнее значение «%1» (%2) не из списка.").arg(label).arg(undo.code));
        return;
    }
    if (!box->isEnabled()) {
        information(QStringLiteral("«%1» сейчас не задается: режим канала его не использует.").arg(label));
        return;
    }
    if (box->currentIndex() == index) {
        information(QStringLiteral("«%1» уже имеет прежнее значение «%2».").arg(label, was));
        return;
    }
    // The list's change runs its setter: the request, the journal line and
    // the rollback on a refusal are those of a change by hand.
    box->setCurrentIndex(index);
}
