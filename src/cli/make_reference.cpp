// Writes the manual page and the bash completion of mirval-cli at build time:
// make_reference MAN_FILE COMPLETION_FILE DATE
#include "reference.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

static bool write_file(const QString &path, const QString &text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0) {
        std::fprintf(stderr, "make_reference: %s: %s\n", qPrintable(path), qPrintable(file.errorString()));
        return false;
    }
    return true;
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: make_reference MAN_FILE COMPLETION_FILE DATE\n");
        return 2;
    }
    return write_file(args[1], cli::man_page(args[3])) && write_file(args[2], cli::bash_completion()) ? 0 : 1;
}
