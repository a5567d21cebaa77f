#pragma once

#include <QString>
#include <QtGlobal>

// What of the debug output reaches the user's terminal. The toolkit's own
// messages (its "qt.*" categories, and the few it prints without one, such as
// "QStandardPaths: XDG_RUNTIME_DIR not set ...") are for developers: they are
// dropped in normal use. The program's own output (the transaction trace, the
// "mirval.*" categories) passes when program_output is true. With
// QT_LOGGING_RULES set, everything the rules enable passes. Fatal messages
// always pass.
bool message_shown(QtMsgType type, const char *category, const QString &text, bool program_output,
                   bool rules_set);

// Installs a message handler that writes what message_shown() admits to
// standard error. A fatal message goes to fatal_hook instead when one is set
// (the toolkit ends the program when it returns).
void install_message_filter(bool program_output, void (*fatal_hook)(const QString &text) = nullptr);
