#pragma once

#include <QByteArray>
#include <QString>

// Files the user picks or keeps: read with a bound and never from a device or
// a pipe; saved whole or not at all.

enum class FileRead { Read, NotOpened, TooLarge };

// Reads path into *bytes. NotOpened, with the reason in *error, when it does
// not open or is no regular file (a device or a pipe may never end, and a
// pipe without a writer never answers); TooLarge when it holds more than
// limit bytes, found by reading at most one byte more.
FileRead read_user_file(const QString &path, qint64 limit, QByteArray *bytes, QString *error);

// Replaces the file at path with bytes. A new file is written beside the old
// one and takes its place only when complete. When the folder admits no new
// file but the file itself may be written, the file is written in place, and
// put back as it was if that fails. 0 on success; otherwise nonzero with the
// system's reason in *error and, in *note, what became of the file that was
// there.
int save_user_file(const QString &path, const QByteArray &bytes, QString *error, QString *note = nullptr);
