#include "link/system_view.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace {

// Files of /proc and /sys report a size of 0 or 4096; they are read up to this.
constexpr qint64 kReadLimit = 1 << 20;

class LiveSystem : public SystemView {
public:
    std::optional<Node> node(const QString &path) const override
    {
#ifdef Q_OS_UNIX
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) != 0)
            return std::nullopt;
        return Node{st.st_uid, st.st_gid, uint(st.st_mode & 07777), ::major(st.st_rdev), ::minor(st.st_rdev)};
#else
        Q_UNUSED(path);
        return std::nullopt;
#endif
    }
    std::optional<QStringList> entries(const QString &dir) const override
    {
        const QDir d(dir);
        if (!d.exists() || !QFileInfo(dir).isReadable())
            return std::nullopt;
        return d.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    QString resolve(const QString &path) const override
    {
        return QFileInfo(path).canonicalFilePath();
    }
    QString link(const QString &path) const override
    {
        return QFileInfo(path).symLinkTarget();
    }
    std::optional<QByteArray> read(const QString &path) const override
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return std::nullopt;
        return f.read(kReadLimit);
    }
    Account account() const override
    {
        Account a;
#ifdef Q_OS_UNIX
        a.uid = ::geteuid();
        a.name = user_name(a.uid);
        a.session_groups << ::getegid();
        const int n = ::getgroups(0, nullptr);
        if (n > 0) {
            QList<gid_t> groups(n);
            const int got = ::getgroups(n, groups.data());
            for (int i = 0; i < got; ++i)
                a.session_groups << groups[i];
        }
        if (const passwd *pw = ::getpwuid(a.uid)) {
            int count = 64;
            QList<gid_t> groups(count);
            if (::getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &count) < 0) {
                groups.resize(count);
                ::getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &count);
            }
            for (int i = 0; i < count && i < groups.size(); ++i)
                a.member_groups << groups[i];
        }
#endif
        return a;
    }
    QString user_name(uint uid) const override
    {
#ifdef Q_OS_UNIX
        if (const passwd *pw = ::getpwuid(uid))
            return QString::fromLocal8Bit(pw->pw_name);
#endif
        return QString::number(uid);
    }
    QString group_name(uint gid) const override
    {
#ifdef Q_OS_UNIX
        if (const group *g = ::getgrgid(gid))
            return QString::fromLocal8Bit(g->gr_name);
#endif
        return QString::number(gid);
    }
    int own_pid() const override
    {
#ifdef Q_OS_UNIX
        return int(::getpid());
#else
        return 0;
#endif
    }
};

}  // namespace

const SystemView &live_system()
{
    static const LiveSystem system;
    return system;
}
