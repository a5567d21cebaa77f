#include "cli.h"

#include <QTextStream>
#include <cstdio>
#include <unistd.h>

namespace cli {

void print_err(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

void print_out(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void Context::out(const QString &line) const
{
    if (!json)
        print_out(line);
}

int Context::fail(int code, const QString &text)
{
    progress(QString());
    if (!quiet)
        print_err(text);
    if (error.isEmpty())
        error = text;
    return code;
}

int Context::no_answer()
{
    return fail(UnitFailed, QStringLiteral("Нет ответа от блока!"));
}

bool Context::progress_shown() const
{
    static const bool tty = ::isatty(STDERR_FILENO) == 1;
    return tty || progress_sink;
}

void Context::progress(const QString &text) const
{
    if (progress_sink) {
        progress_sink(text);
        return;
    }
    if (!progress_shown())
        return;
    // Carriage return, the text, then the rest of the line cleared.
    const QByteArray bytes = "\r" + text.toUtf8() + "\x1b[K";
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

int Context::channel()
{
    const QString text = args.values.value(QStringLiteral("channel"), QStringLiteral("1"));
    bool ok = false;
    const int k = text.toInt(&ok);
    if (!ok || k < 1 || k > 4) {
        fail(Usage, QStringLiteral("Номер канала должен быть от 1 до 4: '%1'").arg(text));
        return 0;
    }
    return k;
}

}  // namespace cli
