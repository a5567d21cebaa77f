#include "common/user_files.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QString kNotAFile = QStringLiteral("Выбран не файл, а устройство, канал или папка");

const QString kOldFileKept = QStringLiteral("Файл не сохранён, прежний файл не изменён.");
const QString kNothingSaved = QStringLiteral("Файл не сохранён.");
const QString kOldFileRestored = QStringLiteral("Файл не сохранён, прежнее содержимое файла восстановлено.");
const QString kOldFileLost = QStringLiteral("Файл не сохранён, прежнее содержимое файла утрачено.");

// Files written in place are put back from memory when the write fails; one
// larger than this is not kept.
constexpr qint64 kRestoreLimit = 64 * 1024 * 1024;

FileRead not_opened(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return FileRead::NotOpened;
}

// Opens path for reading only if it is a regular file, without waiting for a
// writer or a line: a FIFO or a device is refused before anything is read.
FileRead open_regular(const QString &path, QFile &file, QString *error)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return not_opened(error, kNotAFile);
#ifdef Q_OS_UNIX
    // What was checked may have been replaced since: the open does not block,
    // and the opened file is checked again.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return not_opened(error, qt_error_string(errno));
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return not_opened(error, kNotAFile);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return not_opened(error, file.errorString());
    }
#else
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return not_opened(error, file.errorString());
#endif
    return FileRead::Read;
}

// Writes all of bytes; an unbuffered device shows a short write at once.
bool write_all(QFileDevice &file, const QByteArray &bytes)
{
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// The one case QSaveFile cannot serve: the file may be written but no file
// may be created beside it.
bool only_the_file_is_writable(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isWritable())
        return false;
    return !QFileInfo(QFileInfo(info.canonicalFilePath()).absolutePath()).isWritable();
}

int write_in_place(const QString &path, const QByteArray &bytes, QString *error, QString *note)
{
    QFile file(path);
    QByteArray old;
    bool kept = false;
    if (file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        if (file.size() <= kRestoreLimit) {
            old = file.readAll();
            kept = old.size() == file.size();
        }
    } else if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        // (A file that may be written but not read is written, not put back.)
        if (error)
            *error = file.errorString();
        if (note)
            *note = kOldFileKept;
        return 1;
    }
    if (file.seek(0) && write_all(file, bytes) && file.resize(bytes.size()))
        return 0;
    if (error)
        *error = file.errorString();
    const bool restored = kept && file.seek(0) && write_all(file, old) && file.resize(old.size());
    if (note)
        *note = restored ? kOldFileRestored : kOldFileLost;
    return 1;
}

}  // namespace

FileRead read_user_file(const QString &path, qint64 limit, QByteArray *bytes, QString *error)
{
    QFile file;
    const FileRead opened = open_regular(path, file, error);
    if (opened != FileRead::Read)
        return opened;
    if (file.size() > limit)
        return FileRead::TooLarge;
    // Up to one byte past the limit, so that a file that grew meanwhile, or
    // one whose size reads 0, is still refused. A read allocates all it may
    // take at once: the first asks for the size and one byte, later ones for
    // pieces, until one comes back short.
    QByteArray read;
    qint64 want = file.size() + 1;
    while (read.size() <= limit) {
        want = qMin(want, limit + 1 - read.size());
        const QByteArray piece = file.read(want);
        read += piece;
        if (piece.size() < want)
            break;
        want = 65536;
    }
    if (read.size() > limit)
        return FileRead::TooLarge;
    *bytes = std::move(read);
    return FileRead::Read;
}

int save_user_file(const QString &path, const QByteArray &bytes, QString *error, QString *note)
{
    const bool existed = QFileInfo::exists(path);
    // Unbuffered, so that a short write shows before the commit: a buffered
    // QSaveFile commits a truncated file when the system cuts a write short.
    QSaveFile file(path);
    const bool opened = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    if (!opened && only_the_file_is_writable(path))
        return write_in_place(path, bytes, error, note);
    if (opened && write_all(file, bytes) && file.commit())
        return 0;
    if (error)
        *error = file.errorString();
    if (note)
        *note = existed ? kOldFileKept : kNothingSaved;
    file.cancelWriting();
    return 1;
}
