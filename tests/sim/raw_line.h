#pragma once

// A serial line opened with plain POSIX calls, so that the simulator's pty is
// tested without any of the program's own port code.

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace raw_line {

inline void set_speed(int fd, speed_t speed)
{
    termios tio{};
    tcgetattr(fd, &tio);
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    tcsetattr(fd, TCSANOW, &tio);
}

// Opens path raw at the given speed; -1 on failure.
inline int open_line(const QString &path, speed_t speed)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return -1;
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    set_speed(fd, speed);
    return fd;
}

// Reads until CR or ms pass; *elapsed_ms gets the time of the last byte.
inline QByteArray read_until_cr(int fd, int ms, const QElapsedTimer &clock, double *elapsed_ms = nullptr)
{
    QByteArray got;
    while (!got.endsWith('\r') && clock.elapsed() < ms) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, int(ms - clock.elapsed())) <= 0)
            break;
        char buf[256];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            got.append(buf, int(n));
            if (elapsed_ms)
                *elapsed_ms = clock.nsecsElapsed() / 1e6;
        }
    }
    return got;
}

// Writes a request and collects the answer up to its CR.
inline QByteArray exchange(int fd, const QByteArray &request, int ms = 500)
{
    QElapsedTimer clock;
    clock.start();
    if (::write(fd, request.constData(), size_t(request.size())) != request.size())
        return "write failed";
    return read_until_cr(fd, ms, clock);
}

}  // namespace raw_line
