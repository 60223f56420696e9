#pragma once

#include <QFile>
#include <QStringList>

#include <sys/fsuid.h>
#include <unistd.h>

namespace txl::test {

// While it lives, this thread meets file permissions as an ordinary user does. Root passes every
// permission check, so to a test running as root a read-only file or folder would not be read-only:
// then the file-system user of the thread becomes "nobody", and `paths` are handed to that user
// first. For any other user nothing changes.
class OrdinaryUser {
public:
    explicit OrdinaryUser(const QStringList &paths) : m_root(::geteuid() == 0) {
        if (!m_root)
            return;
        for (const QString &path : paths) {
            if (::chown(QFile::encodeName(path).constData(), Nobody, Nobody) != 0)
                qFatal("cannot hand %s to nobody", qPrintable(path));
        }
        ::setfsgid(Nobody);
        ::setfsuid(Nobody);
    }
    ~OrdinaryUser() {
        if (!m_root)
            return;
        ::setfsuid(0);
        ::setfsgid(0);
    }
    OrdinaryUser(const OrdinaryUser &) = delete;
    OrdinaryUser &operator=(const OrdinaryUser &) = delete;

private:
    static constexpr uid_t Nobody = 65534;
    bool m_root;
};

}   // namespace txl::test
