#pragma once

// Shared by the fuzz targets: quiet Qt logging and a check that fails the run.
#include <QByteArray>
#include <QLoggingCategory>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace fuzz {

// The readers log what they refuse; at millions of inputs that is only noise.
// Critical and fatal messages still go out.
inline void quiet_qt()
{
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false\n*.warning=false"));
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
}

inline QByteArray bytes_of(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

[[noreturn]] inline void fail(const char *what, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

}  // namespace fuzz

// A property of the code under test; a violation is a crash for libFuzzer.
#define FUZZ_CHECK(cond)                                                                                     \
    do {                                                                                                     \
        if (!(cond))                                                                                         \
            fuzz::fail(#cond, __FILE__, __LINE__);                                                           \
    } while (0)
