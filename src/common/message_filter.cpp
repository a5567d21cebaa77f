#include "common/message_filter.h"

#include <QRegularExpression>

#include <cstdio>

namespace {

bool g_program_output = true;
void (*g_fatal_hook)(const QString &) = nullptr;

// "QStandardPaths: ...", "QSocketNotifier: ...", "QObject::connect: ...":
// where the toolkit has no category, it names its class first.
bool toolkit_text(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^(Q[A-Z][A-Za-z]*(::[A-Za-z]+)?|Qt):"));
    return pattern.match(text).hasMatch();
}

void filter(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg && g_fatal_hook) {
        g_fatal_hook(text);
        return;
    }
    static const bool rules_set = !qEnvironmentVariableIsEmpty("QT_LOGGING_RULES");
    if (!message_shown(type, context.category, text, g_program_output, rules_set))
        return;
    // Written here rather than by the toolkit's handler, which may send it to
    // the system journal instead of the terminal.
    const QByteArray line = qFormatLogMessage(type, context, text).toLocal8Bit() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

}  // namespace

bool message_shown(QtMsgType type, const char *category, const QString &text, bool program_output,
                   bool rules_set)
{
    if (type == QtFatalMsg || rules_set)
        return true;
    const QLatin1String name(category ? category : "default");
    if (name.startsWith(QLatin1String("qt.")) || (name == QLatin1String("default") && toolkit_text(text)))
        return false;
    return program_output;
}

void install_message_filter(bool program_output, void (*fatal_hook)(const QString &text))
{
    g_program_output = program_output;
    g_fatal_hook = fatal_hook;
    qInstallMessageHandler(filter);
}
