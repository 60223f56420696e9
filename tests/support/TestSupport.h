#pragma once

#include "data/DatabaseFile.h"
#include "platform/db/Connection.h"
#include "platform/ui/Application.h"
#include "platform/ui/MessageBoxes.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <deque>
#include <memory>
#include <vector>

class TDataModule1;

namespace txl::test {

// A fresh temporary working folder for one test: the process works in it while the object lives.
// With `withDatabase`, it holds DataBase/txl.mdb (administrator "chief", password "123456").
class Workspace {
public:
    explicit Workspace(bool withDatabase = true, const data::NewDatabase &options = {});
    ~Workspace();
    QString path() const { return m_dir.path(); }
    QString databasePath() const;   // absolute path of DataBase/txl.mdb

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

// A workspace with the shared data module created on it (DataModule1), connection opened.
class ModuleFixture : public Workspace {
public:
    explicit ModuleFixture(const data::NewDatabase &options = {});
    ~ModuleFixture();
    TDataModule1 &module() const;
    // Adds one contact directly (values in column order; missing ones empty).
    void addContact(const QStringList &values) const;
    void addAccount(const QString &name, const QString &password) const;
    // Runs any statement directly on the module's connection.
    void exec(const QString &statement) const;
    int count(const QString &statement) const;   // first column of the first row, as int
};

// Every row of a select, as texts, read on a query of its own.
QList<QStringList> rowsOf(db::Connection &con, const QString &select);

// Records every message box and answers it from a script (default: Enter's answer).
class BoxRecorder {
public:
    BoxRecorder();
    ~BoxRecorder();
    void answerNext(ui::Answer answer) { m_script.push_back(answer); }

    const std::vector<ui::BoxRecord> &boxes() const { return m_boxes; }
    QStringList texts() const;
    bool empty() const { return m_boxes.empty(); }
    const ui::BoxRecord &last() const { return m_boxes.back(); }
    void clear() { m_boxes.clear(); }

private:
    std::vector<ui::BoxRecord> m_boxes;
    std::deque<ui::Answer> m_script;
};

}   // namespace txl::test

// main() for a test program: our application object, fonts, then QtTest.
#define TXL_TEST_MAIN(TestClass)                                                                                       \
    int main(int argc, char **argv) {                                                                                  \
        txl::ui::Application app(argc, argv);                                                                          \
        txl::test::prepareApplication();                                                                               \
        TestClass tc;                                                                                                  \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }

namespace txl::test {
void prepareApplication();
}
