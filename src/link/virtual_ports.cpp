#include "link/virtual_ports.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <unistd.h>
#endif

namespace virtual_ports {

QString directory()
{
    // Qt warns at every look-up when the runtime directory is not set; the
    // watcher looks every half second, so ask again only when it changes.
    // Lines of a site-wide backup open their ports on threads of their own.
    static QMutex mutex;
    const QMutexLocker lock(&mutex);
    static QByteArray looked_up_for;
    static QString cached;
    static bool valid = false;
    const QByteArray env = qgetenv("XDG_RUNTIME_DIR");
    if (!valid || env != looked_up_for) {
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        cached = runtime.isEmpty() ? QString() : runtime + QStringLiteral("/mirval/ports");
        looked_up_for = env;
        valid = true;
    }
    return cached;
}

static bool make_private_dir(const QString &path, QString *error)
{
    QFileInfo info(path);
    if (info.isDir())
        return true;
    if (info.exists()) {
        *error = QStringLiteral("%1 exists and is not a directory").arg(path);
        return false;
    }
    const QFile::Permissions owner_only = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    if (!QDir().mkdir(path, owner_only)) {
        *error = QStringLiteral("cannot create %1").arg(path);
        return false;
    }
    return true;
}

bool ensure_directory(QString *error)
{
    const QString dir = directory();
    if (dir.isEmpty()) {
        *error = QStringLiteral("the runtime directory is not usable (XDG_RUNTIME_DIR must be "
                                "a directory with permissions 0700)");
        return false;
    }
    const QString parent = QFileInfo(dir).path();
    return make_private_dir(parent, error) && make_private_dir(dir, error);
}

// Beside each link its publisher leaves ".<name>.owner" with its process id.
// A publisher that died without removing its link (killed) leaves the link
// behind; the system soon hands its pseudo-terminal's number to another
// program, and the link would then lead to a stranger's terminal. A link
// without that file (another program's) counts while its target exists.
static QString owner_file(const QFileInfo &link)
{
    return link.path() + QStringLiteral("/.") + link.fileName() + QStringLiteral(".owner");
}

static bool owner_alive(const QFileInfo &link)
{
#ifdef Q_OS_UNIX
    QFile file(owner_file(link));
    if (!file.open(QIODevice::ReadOnly))
        return true;
    bool ok = false;
    const qint64 pid = file.read(32).trimmed().toLongLong(&ok);
    if (!ok || pid <= 0)
        return true;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
#else
    Q_UNUSED(link);
    return true;
#endif
}

static bool link_is_live(const QFileInfo &info)
{
    return info.isSymLink() && info.exists() && owner_alive(info);  // exists() follows the link
}

static void remove_link(const QFileInfo &info)
{
    QFile::remove(info.filePath());
    QFile::remove(owner_file(info));
}

QString publish(const QString &target, QString *error, const QString &prefix)
{
    if (!ensure_directory(error))
        return QString();
    const QString dir = directory();
    for (int n = 0; n < 1000; ++n) {
        const QString name = prefix + QString::number(n);
        const QString path = dir + QLatin1Char('/') + name;
        QFileInfo info(path);
        if (info.isSymLink() && !link_is_live(info))
            remove_link(info);  // a stale link left by a process that died
        else if (info.isSymLink() || info.exists())
            continue;
        if (!QFile::link(target, path))
            continue;
#ifdef Q_OS_UNIX
        QFile owner(owner_file(info));
        if (owner.open(QIODevice::WriteOnly | QIODevice::Truncate))
            owner.write(QByteArray::number(qint64(::getpid())) + '\n');
#endif
        return name;
    }
    *error = QStringLiteral("no free port name in %1").arg(dir);
    return QString();
}

void unpublish(const QString &name)
{
    const QString dir = directory();
    if (dir.isEmpty() || name.isEmpty())
        return;
    const QFileInfo info(dir + QLatin1Char('/') + name);
    if (info.isSymLink())
        remove_link(info);
}

QStringList live_ports()
{
    QStringList names;
    const QString dir = directory();
    if (dir.isEmpty())
        return names;
    const QFileInfoList entries =
        QDir(dir).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &info : entries)
        if (link_is_live(info))
            names << info.fileName();
    return names;
}

QString path_of(const QString &name)
{
    const QString dir = directory();
    if (dir.isEmpty() || name.isEmpty() || name.contains(QLatin1Char('/')))
        return QString();
    const QString path = dir + QLatin1Char('/') + name;
    return link_is_live(QFileInfo(path)) ? path : QString();
}

}  // namespace virtual_ports
