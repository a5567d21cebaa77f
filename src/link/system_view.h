#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What the port checks read of the system: device nodes, directories, links,
// small files (/proc, /sys, udev's rules and database) and the user's account.
// The live view reads the machine; tests give recorded answers.
class SystemView {
public:
    struct Node {
        uint uid = 0;
        uint gid = 0;
        uint mode = 0;  // permission bits
        uint major = 0;
        uint minor = 0;
    };
    struct Account {
        uint uid = 0;
        QString name;
        QList<uint> session_groups;  // the groups this process runs with
        QList<uint> member_groups;   // the groups the account database lists for the user
    };

    virtual ~SystemView() = default;
    virtual std::optional<Node> node(const QString &path) const = 0;
    // Entry names; nothing when the directory is missing or may not be read.
    virtual std::optional<QStringList> entries(const QString &dir) const = 0;
    // Where a link finally leads; empty when it leads nowhere.
    virtual QString resolve(const QString &path) const = 0;
    // What a link says, without looking at its target (an open file of a
    // process: reading it never waits for the file's file system).
    virtual QString link(const QString &path) const = 0;
    virtual std::optional<QByteArray> read(const QString &path) const = 0;
    virtual Account account() const = 0;
    virtual QString user_name(uint uid) const = 0;
    virtual QString group_name(uint gid) const = 0;
    // This process, which the checks leave out.
    virtual int own_pid() const = 0;
};

// The machine this process runs on.
const SystemView &live_system();
