#pragma once

// What the cases share: a generated address book in a temporary folder, and a guard that keeps
// message boxes from waiting for an answer nobody gives.

#include <QString>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace txl::bench {

class GeneratedBook {
public:
    // Makes <temporary folder>/DataBase/txl.mdb with `contacts` sample contacts.
    explicit GeneratedBook(int contacts);
    QString folder() const { return m_dir.path(); }
    QString path() const { return m_path; }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

// While it lives, boxes are recorded instead of shown (with Enter's answer).
class BoxGuard {
public:
    BoxGuard();
    ~BoxGuard();
    // Nothing measured may ask anything: throws when a box was shown.
    void requireNone() const;

private:
    std::vector<std::string> m_boxes;
};

}   // namespace txl::bench
