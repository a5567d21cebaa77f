#include "scripted_dialogs.h"

namespace {

class ScriptedProgress : public ProgressDialog {
public:
    ScriptedProgress(ScriptedDialogs *owner, int index) : m_owner(owner), m_index(index) {}
    void show() override { record().shown = true; }
    void setValue(int value) override { record().values << value; }
    void setLabelText(const QString &text) override { record().options.label = text; }
    void setMaximum(int maximum) override { record().maximums << maximum; }
    bool wasCanceled() const override
    {
        const auto &p = m_owner->progresses[m_index];
        return m_owner->cancel_progress_at >= 0 && !p.values.isEmpty() &&
               p.values.last() >= m_owner->cancel_progress_at;
    }
    void close() override { record().closed = true; }

private:
    ScriptedDialogs::Progress &record() { return m_owner->progresses[m_index]; }
    ScriptedDialogs *m_owner;
    int m_index;
};

}  // namespace

int ScriptedDialogs::detailed_message(MessageKind kind, const QString &title, const QString &text,
                                      int buttons, const QString &informative, const QString &details)
{
    const Message m{kind, title, text, buttons, informative, details};
    messages << m;
    if (on_message)
        on_message(m);
    if (!answers.isEmpty())
        return answers.takeFirst();
    return (buttons & YesButton) ? YesButton : OkButton;
}

QString ScriptedDialogs::file_dialog(const FileDialogOptions &options, FileDialogKind kind)
{
    file_dialogs << FileDialog{options, kind};
    return file_names.isEmpty() ? QString() : file_names.takeFirst();
}

std::unique_ptr<ProgressDialog> ScriptedDialogs::progress(const ProgressOptions &options)
{
    progresses << Progress{options, {}, false, false, {}};
    return std::make_unique<ScriptedProgress>(this, progresses.size() - 1);
}

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const Message &m : messages)
        out << m.text;
    return out;
}
